// The PulseAudio protocol (PulseAudio itself or pipewire-pulse) marks a sink's monitor with
// device.class "monitor"; GStreamer's device provider passes that property on.
#include "OutputMonitor.h"

#include <cstring>

namespace platform::media {

bool isOutputMonitor(const GstStructure* properties) {
    if (properties == nullptr) {
        return false;
    }
    const gchar* deviceClass = gst_structure_get_string(properties, "device.class");
    return deviceClass != nullptr && std::strcmp(deviceClass, "monitor") == 0;
}

}  // namespace platform::media
