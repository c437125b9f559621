// Still conversion kernels (streaming thread; pure functions of their arguments).
#include "filter/StillConvert.h"

#include <cstring>

namespace filter {

void yuy2ToBgrScalar(const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height,
                     uint8_t* dst, ptrdiff_t dstStride) {
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(y) * srcStride;
        uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dstStride;
        for (int32_t x = 0; x < width; x += 2, s += 4) {
            const int32_t up = s[1] - 128;
            const int32_t vp = s[3] - 128;
            const int32_t cb = 16 * up;
            const int32_t cg = -9 * vp - 5 * up;
            const int32_t cr = 15 * vp;
            const int32_t y0 = 10 * s[0];
            *d++ = clampTenths(y0 + cb);
            *d++ = clampTenths(y0 + cg);
            *d++ = clampTenths(y0 + cr);
            if (x + 1 < width) {
                const int32_t y1 = 10 * s[2];
                *d++ = clampTenths(y1 + cb);
                *d++ = clampTenths(y1 + cg);
                *d++ = clampTenths(y1 + cr);
            }
        }
    }
}

void yuy2ToBgr(const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height, uint8_t* dst,
               ptrdiff_t dstStride) {
    yuy2ToBgrScalar(src, srcStride, width, height, dst, dstStride);
}

void copyBgrRows(const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height,
                 bool flipRows, uint8_t* dst, ptrdiff_t dstStride) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    if (!flipRows && srcStride == dstStride && srcStride == static_cast<ptrdiff_t>(rowBytes)) {
        std::memcpy(dst, src, rowBytes * static_cast<size_t>(height));
        return;
    }
    for (int32_t y = 0; y < height; ++y) {
        const int32_t dy = flipRows ? height - 1 - y : y;
        std::memcpy(dst + static_cast<ptrdiff_t>(dy) * dstStride,
                    src + static_cast<ptrdiff_t>(y) * srcStride, rowBytes);
    }
}

}  // namespace filter
