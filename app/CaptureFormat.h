// The capture format the main window asks of the camera for a given size.
#pragma once

#include <cstdint>

#include "platform/VideoInfoHeader.h"

namespace app {

// YUY2 at `framesPerSecond`; bit rate and image size follow from the size. A rate of 0 or less is
// taken as 30 so that the frame interval never divides by zero.
platform::VideoInfoHeader MakeCaptureFormat(int32_t width, int32_t framesPerSecond, int32_t height);

}  // namespace app
