// The capture format record (the platform's VIDEOINFOHEADER, 88 bytes) and its FOURCCs.
#pragma once

#include <cstdint>

namespace platform {

constexpr uint32_t makeFourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

constexpr uint32_t kFourCC_YUY2 = makeFourCC('Y', 'U', 'Y', '2');  // 0x32595559
constexpr uint32_t kFourCC_MJPG = makeFourCC('M', 'J', 'P', 'G');  // 0x47504A4D
constexpr uint32_t kFourCC_RGB24 = 0;                              // BI_RGB
constexpr uint32_t kFourCC_None = 0xFFFFFFFFu;                     // no subtype chosen

struct Rect32 {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct BitmapInfoHeader {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

struct VideoInfoHeader {
    Rect32 rcSource;
    Rect32 rcTarget;
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    int64_t AvgTimePerFrame = 0;  // 100 ns units
    BitmapInfoHeader bmiHeader;
};

static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(sizeof(VideoInfoHeader) == 88);

}  // namespace platform
