// A V4L2 device node opened for its controls, beside whatever streams from it; the descriptor
// is closed with the object.
#pragma once

#include <memory>
#include <string>

#include "platform/media/V4l2Controls.h"

namespace platform::media {

class V4l2Device final : public V4l2ControlIo {
  public:
    // Null when `path` cannot be opened (missing, busy, no permission) or is not a V4L2 node.
    static std::unique_ptr<V4l2Device> open(const std::string& path);
    ~V4l2Device() override;

    V4l2Device(const V4l2Device&) = delete;
    V4l2Device& operator=(const V4l2Device&) = delete;

    int queryControl(v4l2_queryctrl& query) override;
    int queryMenu(v4l2_querymenu& item) override;
    int getControl(v4l2_control& control) override;
    int setControl(v4l2_control& control) override;

  private:
    explicit V4l2Device(int fd) : fd_(fd) {}
    int call(unsigned long request, void* arg);

    int fd_;
};

}  // namespace platform::media
