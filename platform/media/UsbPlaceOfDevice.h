// A device's place on USB, from the properties its GStreamer provider gives it and from sysfs
// (Linux): the way to the USB device differs by provider, the USB device found is the same.
#pragma once

#include <string>

#include <gst/gst.h>

#include "UsbPlace.h"

namespace platform::media {

// `properties` are a GstDevice's (null gives an empty place); `sysfs` is where sysfs is mounted,
// "" to use the properties' ids alone (virtual devices, whose paths mean nothing to sysfs).
UsbPlace usbPlaceOf(const GstStructure* properties, const std::string& sysfs = "/sys");

// The USB device at or above a sysfs directory, with its ids; empty when there is none (a PCI
// or platform device, a missing directory).
UsbPlace usbDeviceAbove(const std::string& directory);

// A USB id as four lower-case hex digits ("0x046D" -> "046d"); "" when it is not one.
std::string usbIdText(std::string id);

}  // namespace platform::media
