// The system device enumerator: the devices of one category, real ones first, virtual after.
#pragma once

#include <vector>

#include "MediaTypes.h"
#include "Moniker.h"

namespace platform::media {

class DeviceEnumerator {
  public:
    // S_Ok with at least one device, S_False for an empty category, a failure when the media
    // library is not running.
    static HResult createClassEnumerator(DeviceCategory category, std::vector<Moniker>& out);

    // Tests list only the virtual devices, so results do not depend on the machine.
    static void setRealDevicesEnabled(bool enabled);

    // Encoders whose output the AVI multiplexer takes (the compressor categories).
    static std::vector<Moniker> compressors(DeviceCategory category);
};

}  // namespace platform::media
