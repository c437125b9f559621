// The Smart Tee filter: one input, a capture output "capture" and a preview output "preview".
#pragma once

#include "Filter.h"
#include "MediaTypes.h"

namespace platform::media {

class SmartTee {
  public:
    // An unconnected output is allowed: the tee keeps streaming to the other one. "preview"
    // sits behind a leaky queue, so the preview, not the capture, drops frames, and its QoS
    // stops at the tee.
    static HResult create(Filter& out);
};

}  // namespace platform::media
