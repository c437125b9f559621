// Kernel USB events to device notifications.
#include "UsbEvent.h"

#include <algorithm>

namespace platform {
namespace {

std::string fourHex(const std::string& digits) {
    return std::string(4 - std::min<size_t>(4, digits.size()), '0') + digits;
}

// "3a7b/b01/100" -> 3a7b, 0b01.
bool idsFromProduct(const std::string& product, std::string& vid, std::string& pid) {
    const size_t a = product.find('/');
    const size_t b = a == std::string::npos ? a : product.find('/', a + 1);
    if (a == 0 || b == std::string::npos || b == a + 1) {
        return false;
    }
    vid = fourHex(product.substr(0, a));
    pid = fourHex(product.substr(a + 1, b - a - 1));
    return true;
}

}  // namespace

std::string usbInterfaceName(const std::string& vid, const std::string& pid,
                             const std::string& rest) {
    return "\\\\?\\usb#vid_" + vid + "&pid_" + pid + "#" + rest;
}

std::optional<UsbNotification> usbNotificationFor(const UsbUevent& event) {
    // "bind", "unbind", "change" and the rest say nothing about a device coming or going: a
    // second camera of the same model binds its drivers while the first one runs.
    const bool arrived = event.action == "add";
    if (!arrived && event.action != "remove") {
        return std::nullopt;
    }
    // The interface's own PRODUCT property names its device. The attributes of the nearest USB
    // device above it only stand in without one: once the camera is gone from sysfs, that
    // device is the hub it was plugged into.
    std::string vid;
    std::string pid;
    if (!idsFromProduct(event.product, vid, pid)) {
        vid = event.idVendor;
        pid = event.idProduct;
    }
    if (vid.empty() || pid.empty()) {
        return std::nullopt;
    }
    return UsbNotification{arrived, usbInterfaceName(vid, pid, event.sysname)};
}

}  // namespace platform
