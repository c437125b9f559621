// A view of one plane of frame memory: rows of bytes at a fixed stride. Used by every kernel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace filter {

// `stride` is the distance in bytes between the starts of two memory rows; the view does not own
// the bytes. Kernels address pixel (x, y) of a YUY2 view at row(y) + 2x (luma) and
// row(y) + 4(x / 2) + 1 / + 3 (U / V); of a BGR view at row(y) + 3x.
struct FrameView {
    uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    ptrdiff_t stride = 0;

    uint8_t* row(int32_t y) const { return data + static_cast<ptrdiff_t>(y) * stride; }
    bool empty() const { return data == nullptr || width <= 0 || height <= 0; }
};

}  // namespace filter
