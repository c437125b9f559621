// The video renderer filter: converts to BGRx and hands frames to the graph's video window.
#pragma once

#include <memory>

#include <gst/gst.h>

#include "Filter.h"

namespace platform::media {

class VideoWindow;

class VideoRenderer {
  public:
    // A bin with one input pin "in"; empty when a needed plugin is missing.
    static Filter create();
    static bool isRenderer(GstElement* element);
    // Routes the renderer's frames to `window` (no-op for other elements).
    static void attach(GstElement* element, const std::shared_ptr<VideoWindow>& window);
    static void detach(GstElement* element);
};

}  // namespace platform::media
