// Helpers of the frame filter tests: a settable clock and frames in exact-size heap blocks (so
// that AddressSanitizer reports any byte read or written past a frame).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "filter/FilterTypes.h"
#include "filter/FrameView.h"

namespace filtertest {

class FakeClock final : public filter::FilterClock {
  public:
    uint32_t tick = 1000;
    int64_t counter = 0;
    filter::LocalDate date{2024, 3, 9};
    uint32_t tickCountMs() override { return tick; }
    int64_t counter100ns() override { return counter; }
    filter::LocalDate localDate() override { return date; }
};

// A frame buffer of exactly `size` bytes.
struct Frame {
    std::vector<uint8_t> bytes;
    int32_t width = 0;
    int32_t height = 0;
    ptrdiff_t stride = 0;

    Frame(int32_t w, int32_t h, ptrdiff_t rowStride, size_t size)
        : bytes(size), width(w), height(h), stride(rowStride) {}
    filter::FrameView view() { return {bytes.data(), width, height, stride}; }
    filter::FrameSample sample(int64_t start = 0) {
        filter::FrameSample s;
        s.data = bytes.data();
        s.size = bytes.size();
        s.stride = stride;
        s.hasTime = true;
        s.start = start;
        s.stop = start + 333333;
        return s;
    }
    uint8_t* row(int32_t y) { return bytes.data() + y * stride; }
};

// Packed YUY2 frame (stride = whole macropixels), every macropixel (y0, u, y1, v).
inline Frame yuy2Frame(int32_t w, int32_t h, uint8_t y0 = 60, uint8_t u = 128, uint8_t y1 = 60,
                       uint8_t v = 128, ptrdiff_t stride = 0) {
    const ptrdiff_t rowBytes = filter::packedRowBytes(w, true);
    if (stride == 0) {
        stride = rowBytes;
    }
    Frame f(w, h, stride, static_cast<size_t>(stride) * (h - 1) + rowBytes);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* r = f.row(y);
        for (ptrdiff_t i = 0; i < rowBytes; i += 4) {
            r[i] = y0;
            r[i + 1] = u;
            r[i + 2] = y1;
            r[i + 3] = v;
        }
    }
    return f;
}

// A YUY2 frame with a deterministic non-uniform pattern.
inline Frame yuy2Pattern(int32_t w, int32_t h, uint32_t seed = 1, ptrdiff_t stride = 0) {
    Frame f = yuy2Frame(w, h, 0, 0, 0, 0, stride);
    uint32_t s = seed;
    for (auto& b : f.bytes) {
        s = s * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(s >> 24);
    }
    return f;
}

// Packed BGR frame filled with one colour.
inline Frame bgrFrame(int32_t w, int32_t h, uint8_t b = 40, uint8_t g = 50, uint8_t r = 60,
                      ptrdiff_t stride = 0) {
    const ptrdiff_t rowBytes = static_cast<ptrdiff_t>(w) * 3;
    if (stride == 0) {
        stride = rowBytes;
    }
    Frame f(w, h, stride, static_cast<size_t>(stride) * (h - 1) + rowBytes);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = f.row(y) + x * 3;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
    return f;
}

inline Frame bgrPattern(int32_t w, int32_t h, uint32_t seed = 1, ptrdiff_t stride = 0) {
    Frame f = bgrFrame(w, h, 0, 0, 0, stride);
    uint32_t s = seed;
    for (auto& b : f.bytes) {
        s = s * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(s >> 24);
    }
    return f;
}

}  // namespace filtertest
