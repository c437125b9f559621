// A media file as a source filter: its pictures and its sound decoded to raw streams on the pins
// "video" and "audio". A pin exists only for a stream the file has, since a pin that never
// delivers would hold the graph's start forever.
#pragma once

#include <string>

#include "Filter.h"
#include "platform/HResult.h"

namespace platform::media {

class FileSource {
  public:
    // Looks into the file (at most kProbeMs) and makes the filter. E_FileNotFound when the file
    // is missing, E_Fail when it holds neither pictures nor sound that can be decoded.
    static HResult create(const std::string& path, Filter& out);
    static constexpr int kProbeMs = 5000;
};

}  // namespace platform::media
