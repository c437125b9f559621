// CaptureHost: what the media graph of the capture component needs from the panel showing it.
// The graph stays free of Qt; the panel turns these calls into captions, posted events, the
// video view and the component's published events.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/media/VideoWindow.h"

// The texts the panel shows; NoPreview is caption state 0, Preview 1, the others 2.
enum class CaptionText { NoPreview, Preview, Locked, RenderFail };

class CaptureHost {
  public:
    virtual ~CaptureHost() = default;

    // Bus thread: graph events are waiting. The host has CaptureGraph::HandleNotify run on the
    // GUI thread.
    virtual void graphNotify() = 0;
    // Streaming thread: the frame filter saw motion.
    virtual void motion() = 0;

    // GUI thread from here on.
    virtual void showCaption(CaptionText text) = 0;
    // The renderer's video window of a new graph; null when the graph goes.
    virtual void attachVideoWindow(const std::shared_ptr<platform::media::VideoWindow>& window) = 0;
    // End of a build: the video window covers the host, with this window style.
    virtual void placeVideoWindow(platform::media::VideoWindow& window, uint32_t style) = 0;
    // A recording aborted because its disk is full, or because its file reached the size limit.
    virtual void recordDiskFull() = 0;
    virtual void recordFileLimit() = 0;
};
