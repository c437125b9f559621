// Black-keyed compositing of the rendered date and time images into YUY2 and BGR frames.
#pragma once

#include <cstdint>

#include "filter/FrameView.h"

namespace filter {

// A rendered stamp: width x height pixels of 3 bytes (blue, green, red), rows of width x 3 bytes,
// stored bottom line first (stored row i is picture line height - 1 - i). A pixel is lit when any
// of its bytes is non-zero; unlit pixels leave the frame unchanged. The lit bounds (stored rows
// and columns, inclusive) let the per-frame copy skip the black margins; an image without lit
// pixels has firstRow > lastRow.
struct StampImage {
    const uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t firstRow = 0, lastRow = -1, firstCol = 0, lastCol = -1;

    // Sets the lit bounds from the pixels (call after rendering).
    void findLitBounds();
    bool lit(int32_t x, int32_t storedRow) const {
        const uint8_t* p = data + (static_cast<ptrdiff_t>(storedRow) * width + x) * 3;
        return (p[0] | p[1] | p[2]) != 0;
    }
};

// The YUY2 values of pure red.
constexpr uint8_t kStampY = 81, kStampU = 90, kStampV = 240;

// Date, YUY2 (top-down frame): picture line r of the image goes to frame row r from column 0, in
// pixel pairs matching the macropixels. Both lit: Y0 81, U 90, Y1 81, V 240. One lit: its Y 81,
// U := (U + 90) / 2 and V := (V + 240) / 2.
void compositeDateYuy2(const FrameView& frame, const StampImage& image);

// Date, YUY2, anywhere: picture line r of the image goes to frame row top + r, image column c to
// frame column left + c, with the pair rule above. The pairs are the frame's macropixels, not the
// image's: at an odd `left` the first macropixel holds the frame's own pixel and the image's
// column 0, so it can only take the one-lit rule, and no column is shifted to suit the pairing.
// compositeDateYuy2(frame, image) is this at (0, 0).
void compositeDateYuy2At(const FrameView& frame, const StampImage& image, int32_t left,
                         int32_t top);

// Time, YUY2: picture line r of the image goes to frame row r + top, columns left onwards. A lit
// pixel gets Y 81; at an even column also its macropixel's U 90 and V 240.
void compositeTimeYuy2(const FrameView& frame, const StampImage& image, int32_t left, int32_t top);

// Date, BGR: the image stands upright in the bottom-right corner from column `left`. Bottom-up
// frames take stored row i in memory row i; top-down frames in memory row height - 1 - i. Lit
// pixels are copied with their three bytes.
void compositeDateBgr(const FrameView& frame, const StampImage& image, int32_t left, bool bottomUp);

// Time, BGR: picture line r of the image goes to picture row r + top counted from the top of the
// picture, columns left onwards.
void compositeTimeBgr(const FrameView& frame, const StampImage& image, int32_t left, int32_t top,
                      bool bottomUp);

}  // namespace filter
