// The Smart Tee filter: one input, a capture output "capture" and a preview output "preview".
#pragma once

#include "Filter.h"
#include "MediaTypes.h"

namespace platform::media {

class SmartTee {
  public:
    // An unconnected output is allowed: the tee keeps streaming to the other one. The preview
    // build puts a leaky queue behind "preview" so the preview, not the capture, drops frames.
    static HResult create(Filter& out);
};

}  // namespace platform::media
