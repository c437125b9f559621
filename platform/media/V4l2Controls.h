// V4L2 controls of a device node: enumerated, read and set through a four-call seam, so that
// the logic runs against ioctl on a real node and against a table in tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <linux/videodev2.h>

#include "platform/media/CameraControls.h"

namespace platform::media {

// The driver requests the control logic makes; each returns 0 or the errno of the failure.
class V4l2ControlIo {
  public:
    virtual ~V4l2ControlIo() = default;
    virtual int queryControl(v4l2_queryctrl& query) = 0;  // VIDIOC_QUERYCTRL
    virtual int queryMenu(v4l2_querymenu& item) = 0;      // VIDIOC_QUERYMENU
    virtual int getControl(v4l2_control& control) = 0;    // VIDIOC_G_CTRL
    virtual int setControl(v4l2_control& control) = 0;    // VIDIOC_S_CTRL
};

class V4l2Controls {
  public:
    enum class SetResult {
        Set,
        Refused,    // the control exists but the driver said no, or the device failed
        NoControl,  // the device has no usable control of that label
    };

    // The usable controls (integer, boolean, menu, integer menu, button) in the driver's
    // order; disabled controls, class headings and unreadable controls are left out. Empty
    // when the device fails, e.g. when the camera is pulled.
    static std::vector<CameraControl> list(V4l2ControlIo& io);
    // Sets the control called `label`, clamped to its range and snapped to its step.
    static SetResult set(V4l2ControlIo& io, const std::string& label, int value);

    // The driver's name as a label: up to the first NUL within the field, every byte that is
    // not printable ASCII replaced by '?'.
    static std::string label(std::span<const uint8_t> name);
    // `value` clamped to [minimum, maximum] and moved to the nearest point minimum + k * step
    // that lies in the range; a step below 2 leaves it at that.
    static int fit(int64_t value, int32_t minimum, int32_t maximum, int32_t step);
};

}  // namespace platform::media
