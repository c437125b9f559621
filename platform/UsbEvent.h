// One kernel event of a USB interface, as udev reports it, and the device notification it makes.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct UsbUevent {
    std::string action;    // "add", "remove", "bind", "unbind", "change", ...
    std::string sysname;   // the interface, e.g. "1-1:1.0"
    std::string idVendor;  // the nearest USB device above's attributes: a hub's once it is gone
    std::string idProduct;
    std::string product;  // the PRODUCT property, "vid/pid/rev" in hex without leading zeros
};

struct UsbNotification {
    bool arrived = false;       // else removed
    std::string interfaceName;  // "\\?\usb#vid_xxxx&pid_yyyy#<sysname>"
};

// The notification an event makes, if any.
std::optional<UsbNotification> usbNotificationFor(const UsbUevent& event);

// "\\?\usb#vid_<vid>&pid_<pid>#<rest>" as a device-interface name.
std::string usbInterfaceName(const std::string& vid, const std::string& pid,
                             const std::string& rest);

}  // namespace platform
