// A device of a category, as the enumerator lists it: display name, friendly name (its
// property bag) and a bind that makes its filter and may fail.
#pragma once

#include <string>

#include <gst/gst.h>

#include "Filter.h"
#include "GstRef.h"
#include "MediaTypes.h"
#include "UsbPlace.h"

namespace platform::media {

class Moniker {
  public:
    Moniker() = default;
    Moniker(const Moniker& o)
        : device_(o.device_.clone()),
          factory_(o.factory_.clone()),
          category_(o.category_),
          display_(o.display_),
          friendly_(o.friendly_) {}
    Moniker& operator=(const Moniker& o) {
        if (this != &o) {
            *this = Moniker(o);
        }
        return *this;
    }
    Moniker(Moniker&&) noexcept = default;
    Moniker& operator=(Moniker&&) noexcept = default;

    static Moniker forDevice(GstDevice* device, DeviceCategory category);
    static Moniker forFactory(GstElementFactory* factory, DeviceCategory category);

    // USB cameras carry the lower-case markers "vid_xxxx&pid_yyyy" (from udev's ids).
    std::string displayName() const { return display_; }
    // The property bag: always there for our devices.
    HResult bindToStorage() const { return (device_ || factory_) ? S_Ok : E_Pointer; }
    // "FriendlyName" from the bag; E_Fail when the device has none.
    HResult readFriendlyName(std::string& out) const;
    // Where the device sits on USB (empty for encoders and devices off USB without ids).
    UsbPlace usbPlace() const;
    // Makes the device's filter; fails for a device that is gone or refuses to open.
    HResult bindToObject(Filter& out) const;

  private:
    GstRef<GstDevice> device_;
    GstRef<GstElementFactory> factory_;
    DeviceCategory category_ = DeviceCategory::VideoInput;
    std::string display_;
    std::string friendly_;
};

}  // namespace platform::media
