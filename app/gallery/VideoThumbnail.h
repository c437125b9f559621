// The first video frame of a clip, for its thumbnail.
#pragma once

#include <string>

#include <QImage>

#include "platform/HResult.h"

namespace gallery {

// No video stream in the file (VFW_E_INVALIDMEDIATYPE).
constexpr platform::HResult E_InvalidMediaType = static_cast<platform::HResult>(0x80040200u);

// Decodes the frame at stream time 0 of the clip at `path` (raw bytes, any name) into an
// upright 24-bit BGR bitmap of the frame's size, square pixels. Answers S_Ok, or a failure code
// with the target untouched: E_InvalidMediaType for a file without video (a WAV, an empty or
// unreadable file), E_Timeout when no frame arrives within `timeoutMs`, E_Fail otherwise.
// Runs a short GStreamer pipeline on the calling thread; GStreamer is initialised if needed.
platform::HResult MakeVideoThumbnail(const std::string& path, QImage& target, int timeoutMs = 5000);

}  // namespace gallery
