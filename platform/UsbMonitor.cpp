// libudev monitor on the "usb" subsystem, stopped through an eventfd.
#include "UsbMonitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

UsbMonitor::~UsbMonitor() { stop(); }

std::string UsbMonitor::interfaceName(const std::string& vid, const std::string& pid, const std::string& rest) {
    return "\\\\?\\usb#vid_" + vid + "&pid_" + pid + "#" + rest;
}

bool UsbMonitor::start(Callback callback) {
    stop();
    callback_ = std::move(callback);
    udev_ = udev_new();
    if (udev_ == nullptr) {
        return false;
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_interface") < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        stop();
        return false;
    }
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        stop();
        return false;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void UsbMonitor::stop() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
        wakeFd_ = -1;
    }
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
        udev_ = nullptr;
    }
}

void UsbMonitor::run() {
    pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            continue;  // EINTR
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            continue;
        }
        udev_device* dev = udev_monitor_receive_device(monitor_);
        if (dev == nullptr) {
            continue;
        }
        const char* action = udev_device_get_action(dev);
        // The interface's USB device parent carries the ids.
        udev_device* parent = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device");
        const char* vid = parent != nullptr ? udev_device_get_sysattr_value(parent, "idVendor") : nullptr;
        const char* pid = parent != nullptr ? udev_device_get_sysattr_value(parent, "idProduct") : nullptr;
        if (vid == nullptr || pid == nullptr) {
            // On removal the attributes are gone; the PRODUCT property keeps "vid/pid/rev" in hex.
            const char* product = udev_device_get_property_value(dev, "PRODUCT");
            std::string v, p;
            if (product != nullptr) {
                const std::string text = product;
                const size_t a = text.find('/');
                const size_t b = a == std::string::npos ? a : text.find('/', a + 1);
                if (b != std::string::npos) {
                    v = std::string(4 - std::min<size_t>(4, a), '0') + text.substr(0, a);
                    p = std::string(4 - std::min<size_t>(4, b - a - 1), '0') + text.substr(a + 1, b - a - 1);
                }
            }
            if (action != nullptr && !v.empty() && callback_) {
                callback_(std::string(action) == "add", interfaceName(v, p, udev_device_get_sysname(dev)));
            }
        } else if (action != nullptr && callback_) {
            callback_(std::string(action) == "add", interfaceName(vid, pid, udev_device_get_sysname(dev)));
        }
        udev_device_unref(dev);
    }
}

}  // namespace platform
