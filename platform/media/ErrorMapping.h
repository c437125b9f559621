// Turns a GStreamer error message into the HRESULT the graph reports with EC_ERRORABORT.
#pragma once

#include <string>

#include <gst/gst.h>

#include "platform/HResult.h"

namespace platform::media {

// No space left -> 0x80070070, file too large (EFBIG) -> 0x80070002, busy device -> 0x800700AA,
// missing device -> 0x80070490, refused open -> 0x80070005, anything else -> E_FAIL.
// `fromSource`: the error is a capture source's (a camera, a microphone), which writes no file:
// whatever its text says, it is never a full disk or the file-size limit.
HResult hresultFromError(const GError* error, const std::string& debug, bool fromSource = false);

}  // namespace platform::media
