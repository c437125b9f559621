// Where a device sits on USB, and the rule that lists a camera's own microphones before the
// others: a camera's microphone is an interface of the camera's USB device, or (when no path is
// known, or the maker puts it on a USB device of its own) a device carrying the camera's ids.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform::media {

struct UsbPlace {
    std::string device;  // the USB device's sysfs directory ("/sys/devices/.../usb1/1-2"), or ""
    std::string vid;     // four lower-case hex digits, or ""
    std::string pid;

    bool operator==(const UsbPlace&) const = default;
};

// How close a microphone is to a camera; the order is the listing order.
enum class UsbKinship {
    SameDevice,  // both on the same USB device
    SameIds,     // the camera's vendor and product ids, on another or an unknown USB device
    Unrelated,
};

UsbKinship kinship(const UsbPlace& camera, const UsbPlace& microphone);

// The positions of `microphones` in the order they are listed beside `camera`: closest kinship
// first, each kinship in its original order. Without any kin the order is unchanged.
std::vector<size_t> orderBesideCamera(const UsbPlace& camera,
                                      const std::vector<UsbPlace>& microphones);

}  // namespace platform::media
