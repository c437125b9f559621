// A camera's picture controls (brightness, contrast, hue, saturation and whatever the driver
// offers through the colour-balance interface), read and changed while it streams.
#pragma once

#include <string>
#include <vector>

#include <gst/gst.h>

namespace platform::media {

struct CameraControl {
    std::string label;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
};

class CameraControls {
public:
    // The controls of `source` (an element or a bin holding the element that has them).
    static std::vector<CameraControl> list(GstElement* source);
    // Sets one control by its label; false when the source has no such control.
    static bool set(GstElement* source, const std::string& label, int value);
};

}  // namespace platform::media
