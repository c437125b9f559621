// Motion tests over 24-bit frames and the marks drawn for a detection (border, enlarged inset).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "filter/FrameView.h"

namespace filter {

// Bounding box of changed pixels, kept as (max x, min x, max y, min y). A fresh
// box for a width x height frame is {0, width, 0, height}: empty until something widens it.
struct MotionBox {
    int32_t maxX = 0, minX = 0, maxY = 0, minY = 0;
    static MotionBox fresh(int32_t width, int32_t height) { return {0, width, 0, height}; }
    void widen(int32_t x, int32_t y);
    friend bool operator==(const MotionBox&, const MotionBox&) = default;
};

// Inclusive pixel rectangle in memory rows of the frame.
struct PixelRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t width() const { return right - left + 1; }
    int32_t height() const { return bottom - top + 1; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

constexpr int32_t kMotionMinCount = 100;     // fewer changed pixels or windows: no motion
constexpr int32_t kMotionMaxPixelSum = 750;  // brighter pixels never count as changed
constexpr int32_t kInsetMaxWidth = 240;      // boxes up to this size get an enlarged inset
constexpr int32_t kInsetMaxHeight = 180;
constexpr size_t kInsetScratchBytes = static_cast<size_t>(kInsetMaxWidth) * kInsetMaxHeight * 3;

// Pixel test over packed BGR frames (rows of width x 3 bytes). A pixel changed when both its
// byte sums are at most 750 and they differ by at least `threshold`; changed pixels widen `box`.
// Returns the number of changed pixels.
int32_t motionPixelTest(const uint8_t* cur, const uint8_t* ref, int32_t width, int32_t height,
                        int32_t threshold, MotionBox& box);

// Window test: five-pixel windows starting at every pixel i < width - 5 of every row; each set of
// five pixel sums has its own minimum subtracted; a window counts when the absolute differences
// of the two sets add up to more than 2 x threshold, and widens `box` with (i + 5, row).
// `rowSums` holds 2 x width int32. Returns the number of counted windows.
int32_t motionWindowTest(const uint8_t* cur, const uint8_t* ref, int32_t width, int32_t height,
                         int32_t threshold, MotionBox& box, int32_t* rowSums);

// The intersection of the two boxes (left = larger min x, right = smaller max x, top = larger
// min y, bottom = smaller max y), or nothing when it is empty.
std::optional<PixelRect> intersectBoxes(const MotionBox& a, const MotionBox& b);

// One-pixel red border on `box`: top and bottom rows from left to right, left and right columns
// from top to bottom - 1. BGR: bytes (0, 0, 255). YUY2: Y 81 and the macropixel's U 90, V 240.
void drawMotionBorderBgr(const FrameView& frame, const PixelRect& box);
void drawMotionBorderYuy2(const FrameView& frame, const PixelRect& box);

// Enlarged inset: when the box is at most 240 x 180 pixels, a copy of it with every pixel doubled
// in both directions is pasted against the left edge (when box.left > box width / 2) or the right
// edge, two pixels in, at the bottom of the picture, two rows in. `lastRowIsBottom` says whether
// the frame's last memory row is the bottom of the picture (top-down frames) or its first
// (bottom-up frames). Whatever falls outside the frame is clipped. `scratch` holds
// kInsetScratchBytes. Returns whether an inset was pasted.
bool pasteInsetBgr(const FrameView& frame, const PixelRect& box, bool lastRowIsBottom,
                   uint8_t* scratch);
bool pasteInsetYuy2(const FrameView& frame, const PixelRect& box, uint8_t* scratch);

}  // namespace filter
