// Still conversion kernels: YUY2 to 24-bit BGR with the filter's coefficients, and BGR row copies.
#pragma once

#include <cstddef>
#include <cstdint>

namespace filter {

struct Bgr {
    uint8_t b = 0, g = 0, r = 0;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};

// One pixel, with U' = U - 128 and V' = V - 128:
//   blue = Y + 1.6 U', green = Y - 0.9 V' - 0.5 U', red = Y + 1.5 V',
// each clamped to 0..255 and truncated. Computed exactly in tenths (10 Y + 16 U' and so on),
// so the result is the real-number formula's, free of binary rounding of 1.6, 0.9, 1.5.
constexpr uint8_t clampTenths(int32_t tenths) {
    return tenths <= 0 ? 0 : tenths >= 2550 ? 255 : static_cast<uint8_t>(tenths / 10);
}
constexpr Bgr yuvToBgr(int32_t y, int32_t u, int32_t v) {
    const int32_t up = u - 128;
    const int32_t vp = v - 128;
    return Bgr{clampTenths(10 * y + 16 * up), clampTenths(10 * y - 9 * vp - 5 * up),
               clampTenths(10 * y + 15 * vp)};
}

// Converts a YUY2 frame (rows of macropixels Y0 U Y1 V at srcStride) into BGR rows of width x 3
// bytes at dstStride, rows in the same order. Each macropixel's U and V serve both its pixels;
// an odd width uses the first pixel of the last macropixel only. Uses SIMD where the CPU has it;
// the result is identical to yuvToBgr for every pixel.
void yuy2ToBgr(const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height, uint8_t* dst,
               ptrdiff_t dstStride);
// The plain scalar form of yuy2ToBgr (the reference the fast path is tested against).
void yuy2ToBgrScalar(const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height,
                     uint8_t* dst, ptrdiff_t dstStride);

// Copies width x 3 bytes of each of `height` BGR rows; with `flipRows` source row i lands in
// destination row height - 1 - i.
void copyBgrRows(const uint8_t* src, ptrdiff_t srcStride, int32_t width, int32_t height,
                 bool flipRows, uint8_t* dst, ptrdiff_t dstStride);

}  // namespace filter
