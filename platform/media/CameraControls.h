// A camera's picture controls: the V4L2 controls of a real camera (gain, white balance,
// exposure, focus, ...) and the colour-balance channels of any other source, read and changed
// while it streams.
#pragma once

#include <string>
#include <vector>

#include <gst/gst.h>

namespace platform::media {

enum class CameraControlKind {
    Integer,  // a range with a step
    Boolean,  // 0 or 1
    Menu,     // one of `menu`
    Button,   // an action; setting any value triggers it
};

struct CameraMenuItem {
    int value = 0;
    std::string name;
};

struct CameraControl {
    std::string label;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    CameraControlKind kind = CameraControlKind::Integer;
    int step = 1;
    // The driver's default; the middle of the range where the source does not tell.
    int defaultValue = 0;
    // False while the control has no effect or cannot be changed (e.g. exposure time while
    // automatic exposure is on); it changes when another control is set.
    bool enabled = true;
    std::vector<CameraMenuItem> menu;  // Menu only, in value order; the driver's gaps left out
};

class CameraControls {
  public:
    // The controls of `source` (an element or a bin holding the element that has them).
    static std::vector<CameraControl> list(GstElement* source);
    // Sets one control by its label, fitted to its range and step; false when the source has no
    // such control or the device refuses the value.
    static bool set(GstElement* source, const std::string& label, int value);
    // The device node of the v4l2src that is `source` or lies anywhere inside it; empty when
    // there is none.
    static std::string v4l2Node(GstElement* source);
};

}  // namespace platform::media
