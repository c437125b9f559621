// The virtual-device variable: any text yields devices whose names can be handed to GObject
// string properties (valid UTF-8, no zero inside) and whose display names are never empty.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <glib.h>

#include "platform/media/VirtualDeviceConfig.h"

namespace {

bool cleanText(const std::string& s) {
    return g_utf8_validate(s.data(), static_cast<gssize>(s.size()), nullptr) != FALSE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using platform::media::VirtualDeviceConfig;
    using platform::media::VirtualKind;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> problems;
    const auto devices = VirtualDeviceConfig::parse(text, "3A7B", "0B01", problems);
    int serial = 0;
    for (const auto& d : devices) {
        if (d.name.empty() || !cleanText(d.name) || !cleanText(d.path) ||
            (d.kind == VirtualKind::Camera && d.formats.empty()) ||
            VirtualDeviceConfig::displayNameFor(d, ++serial).empty()) {
            std::abort();
        }
    }
    return 0;
}
