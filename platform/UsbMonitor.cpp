// libudev monitor on the "usb" subsystem, stopped through an eventfd.
#include "UsbMonitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

std::string text(const char* s) {
    return s != nullptr ? std::string(s) : std::string();
}

UsbUevent eventOf(udev_device* dev) {
    UsbUevent e;
    e.action = text(udev_device_get_action(dev));
    e.sysname = text(udev_device_get_sysname(dev));
    e.product = text(udev_device_get_property_value(dev, "PRODUCT"));
    // The interface's USB device parent carries the ids while the device is there.
    if (udev_device* parent =
            udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device")) {
        e.idVendor = text(udev_device_get_sysattr_value(parent, "idVendor"));
        e.idProduct = text(udev_device_get_sysattr_value(parent, "idProduct"));
    }
    return e;
}

}  // namespace

UsbMonitor::~UsbMonitor() {
    stop();
}

void UsbMonitor::deliver(const UsbUevent& event) const {
    if (const std::optional<UsbNotification> n = usbNotificationFor(event); n && callback_) {
        callback_(n->arrived, n->interfaceName);
    }
}

bool UsbMonitor::start(Callback callback) {
    stop();
    callback_ = std::move(callback);
    udev_ = udev_new();
    if (udev_ == nullptr) {
        return false;
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_interface") < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        stop();
        return false;
    }
    // Without its wake-up the worker could never be stopped: no worker then.
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        std::fprintf(stderr, "usb monitor: no eventfd (%s); no device events\n",
                     std::strerror(errno));
        stop();
        return false;
    }
    polling_.store(true, std::memory_order_release);
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
        if (poll_(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Any other failure would repeat at once: end rather than spin.
            std::fprintf(stderr, "usb monitor: poll failed (%s); no more device events\n",
                         std::strerror(errno));
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            break;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                std::fprintf(stderr,
                             "usb monitor: the udev socket failed; no more device events\n");
                break;
            }
            continue;
        }
        udev_device* dev = udev_monitor_receive_device(monitor_);
        if (dev == nullptr) {
            continue;
        }
        deliver(eventOf(dev));
        udev_device_unref(dev);
    }
    polling_.store(false, std::memory_order_release);
}

}  // namespace platform
