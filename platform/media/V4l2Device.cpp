// The V4L2 control requests as ioctl calls on a node of our own.
#include "V4l2Device.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::media {

std::unique_ptr<V4l2Device> V4l2Device::open(const std::string& path) {
    // Only character devices: opening a FIFO or a regular file read-write is not ours to do.
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        return nullptr;
    }
    // Non-blocking so that a request never waits for a frame; a second open beside the
    // streaming one is allowed for controls.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return nullptr;
    }
    std::unique_ptr<V4l2Device> device(new V4l2Device(fd));
    v4l2_capability caps{};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) ||
        device->call(VIDIOC_QUERYCAP, &caps) != 0) {
        return nullptr;
    }
    return device;
}

V4l2Device::~V4l2Device() {
    ::close(fd_);
}

int V4l2Device::call(unsigned long request, void* arg) {
    int rc = 0;
    do {
        rc = ::ioctl(fd_, request, arg);
    } while (rc < 0 && errno == EINTR);
    return rc < 0 ? errno : 0;
}

int V4l2Device::queryControl(v4l2_queryctrl& query) {
    return call(VIDIOC_QUERYCTRL, &query);
}

int V4l2Device::queryMenu(v4l2_querymenu& item) {
    return call(VIDIOC_QUERYMENU, &item);
}

int V4l2Device::getControl(v4l2_control& control) {
    return call(VIDIOC_G_CTRL, &control);
}

int V4l2Device::setControl(v4l2_control& control) {
    return call(VIDIOC_S_CTRL, &control);
}

}  // namespace platform::media
