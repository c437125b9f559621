// MakeCaptureFormat: the record handed to CapturePinSet.
#include "CaptureFormat.h"

namespace app {

platform::VideoInfoHeader MakeCaptureFormat(int32_t width, int32_t framesPerSecond,
                                            int32_t height) {
    if (framesPerSecond <= 0) {
        framesPerSecond = 30;
    }
    platform::VideoInfoHeader vih{};
    // 32-bit arithmetic as the record holds it; the bit rate wraps for huge sizes.
    vih.dwBitRate = static_cast<uint32_t>(framesPerSecond) * static_cast<uint32_t>(width) *
                    static_cast<uint32_t>(height) * 2u * 8u;
    vih.dwBitErrorRate = 0;
    vih.AvgTimePerFrame = 10000000 / framesPerSecond;
    vih.bmiHeader.biSize = 40;
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biBitCount = 16;
    vih.bmiHeader.biCompression = platform::kFourCC_YUY2;
    vih.bmiHeader.biSizeImage = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 2u;
    return vih;
}

}  // namespace app
