// The system device enumerator: the devices of one category, real ones first, virtual after.
#pragma once

#include <vector>

#include "MediaTypes.h"
#include "Moniker.h"
#include "UsbPlace.h"

namespace platform::media {

class DeviceEnumerator {
  public:
    // S_Ok with at least one device, S_False for an empty category, a failure when the media
    // library is not running.
    static HResult createClassEnumerator(DeviceCategory category, std::vector<Moniker>& out);

    // Reorders a list of microphones so that those of `camera`'s USB device come first (the
    // rule of UsbPlace.h); a camera without a place, or without kin, leaves it as it is.
    static void putCameraMicrophonesFirst(std::vector<Moniker>& microphones,
                                          const UsbPlace& camera);

    // Tests list only the virtual devices, so results do not depend on the machine.
    static void setRealDevicesEnabled(bool enabled);

    // Encoders whose output the AVI multiplexer takes (the compressor categories).
    static std::vector<Moniker> compressors(DeviceCategory category);
};

}  // namespace platform::media
