// Digital zoom remap (streaming thread; pure function of its arguments).
#include "filter/ZoomRemap.h"

#include <cstring>

namespace filter {

bool zoomRemapYuy2(const FrameView& frame, const std::atomic<int32_t>* map, size_t mapEntries,
                   uint8_t* scratch) {
    if (frame.empty() || (frame.width & 1) != 0 || map == nullptr || scratch == nullptr) {
        return false;
    }
    const int32_t w = frame.width;
    const int32_t h = frame.height;
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (pixels > mapEntries) {
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(w) * 2;
    const uint32_t limit = static_cast<uint32_t>(pixels * 2);  // pixels <= 3 840 000: fits
    for (int32_t y = 0; y < h; ++y) {
        std::memcpy(scratch + static_cast<size_t>(y) * rowBytes, frame.row(y), rowBytes);
    }

    // ((U0 - 128) + (U1 - 128)) >> 1 + 128 is (U0 + U1) >> 1: the sum is never negative.
    const std::atomic<int32_t>* entry = map;
    uint32_t identity = 0;  // 2p, the offset of pixel p itself
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* d = frame.row(y);
        for (int32_t x = 0; x < w; x += 2, d += 4, entry += 2, identity += 4) {
            uint32_t o0 = static_cast<uint32_t>(entry[0].load(std::memory_order_relaxed));
            uint32_t o1 = static_cast<uint32_t>(entry[1].load(std::memory_order_relaxed));
            o0 = o0 < limit ? o0 : identity;
            o1 = o1 < limit ? o1 : identity + 2;
            const uint8_t* m0 = scratch + (o0 & ~3u);
            const uint8_t* m1 = scratch + (o1 & ~3u);
            d[0] = scratch[o0];
            d[1] = static_cast<uint8_t>((m0[1] + m1[1]) >> 1);
            d[2] = scratch[o1];
            d[3] = static_cast<uint8_t>((m0[3] + m1[3]) >> 1);
        }
    }
    return true;
}

}  // namespace filter
