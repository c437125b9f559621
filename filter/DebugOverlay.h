// Stream-timing overlay pieces: locale-free line formatting, frame rate, rate history and graph.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "filter/FrameView.h"

namespace filter {

constexpr size_t kRateHistoryEntries = 1600;  // one per column, newest at the right
constexpr float kMaxFrameRate = 35.0f;

// A printf-style line in a fixed 1024-byte buffer, built without the C locale (a decimal comma
// set by the program's locale must not reach the overlay) and without allocation. Text that does
// not fit is cut.
class DebugLine {
  public:
    DebugLine& text(std::string_view s);
    DebugLine& fixed(double v, int width, int precision);  // "%<width>.<precision>f"
    DebugLine& integer(int64_t v);                         // "%Ld"
    std::string_view view() const { return {buf_, len_}; }

  private:
    void append(const char* s, size_t n);
    char buf_[1024];
    size_t len_ = 0;
};

// Frame rate from two sample start times (100 ns units): 1 / interval, values above 35.0 stored
// as 35.0. An interval of 0 gives 35.0 without dividing; a negative interval (time stamps going
// backwards) gives 0.
float frameRateFromStarts(int64_t start, int64_t prevStart);

// Shifts the first min(width, 1600) entries left by one and puts trunc(rate x 2) into the last of
// them. Frames wider than 1600 pixels keep their newest entry at column 1599.
void pushRateHistory(int32_t* history, int32_t width, float rate);

// Graph for columns 1 .. width - 1: luma 175 on rows height - 15 (0 fps) and height - 75 (30 fps);
// for each history entry other than -1 the point height - 15 - value gets luma 255 and is joined
// to the previous point (which starts at height - 10). Then "0" at (2, height - 14) and "30" at
// (2, height - 88) when `labels` (glyph text is drawn only into frames whose format says YUY2).
// Rows outside the frame are skipped.
void drawRateGraph(const FrameView& yuy2, const int32_t* history, bool labels = true);

}  // namespace filter
