// Whether a device that a sound server lists among its sources is really the monitor of one of
// its outputs (what the speakers play), which is no microphone.
#pragma once

#include <gst/gst.h>

namespace platform::media {

// `properties` are a GstDevice's properties; null is not a monitor.
bool isOutputMonitor(const GstStructure* properties);

}  // namespace platform::media
