// Stream-timing overlay pieces: locale-free line formatting, frame rate, rate history and graph.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "filter/FilterTypes.h"
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
    DebugLine& clear() {
        len_ = 0;
        return *this;
    }
    std::string_view view() const { return {buf_, len_}; }

  private:
    void append(const char* s, size_t n);
    char buf_[1024];
    size_t len_ = 0;
};

// The values one frame's overlay shows. Times in 100 ns units; media times are frame numbers.
struct DebugTimes {
    int64_t sampleStart = 0;
    int64_t sampleStop = 0;
    int64_t mediaStart = 0;
    int64_t mediaStop = 0;
    int64_t sinceFirstClock = 0;  // wall time since the first overlay after the format was set
    float frameRate = 0.0f;
};

// One line of the overlay: its top row (drawn from x = 10) and its text.
struct DebugTextLine {
    int32_t y = 0;
    DebugLine text;
};
constexpr size_t kDebugLinesMax = 5;
using DebugTextLines = std::array<DebugTextLine, kDebugLinesMax>;

// The overlay's lines for `variant`; returns how many of `lines` it filled.
//   Main (4):    "stS - %6.2f %6.2f" (y 10: sample start, wall time, seconds),
//                "stE - %6.2f" (25: sample stop), "mt  - %Ld %Ld" (40: media start and stop),
//                "FRate   - %2.2f" (55).
//   Branded (5): "stStart - %6.2f %6.2f" (10), "stEnd   - %6.2f" (25), "mtStart - %d" (40),
//                "mtEnd   - %d" (55), the media times cut to 32 bits as "%d" prints them, and
//                "FRate   - %2.2f" (70). An infinite rate (interval 0) reads "inf".
size_t formatDebugLines(FilterVariant variant, const DebugTimes& t, DebugTextLines& lines);

// Frame rate from two sample start times (100 ns units): 1 / interval. With `clampTo35` (the main
// edition) values above 35.0 are stored as 35.0 and an interval of 0 gives 35.0 without dividing.
// Without it (the branded edition) an interval of 0 gives +infinity, again without dividing, and
// a tiny interval a correspondingly large rate (at most 10^7 for one 100 ns tick). A negative
// interval (time stamps going backwards) gives 0 either way.
float frameRateFromStarts(int64_t start, int64_t prevStart, bool clampTo35 = true);

// Shifts the first min(width, 1600) entries left by one and puts trunc(rate x 2) into the last of
// them. Frames wider than 1600 pixels keep their newest entry at column 1599. Values beyond
// int32 saturate (an infinite rate gives INT32_MAX: a point far above any frame, which the graph
// clips); NaN gives 0.
void pushRateHistory(int32_t* history, int32_t width, float rate);

// Graph for columns 1 .. width - 1: luma 175 on rows height - 15 (0 fps) and height - 75 (30 fps);
// for each history entry other than -1 the point height - 15 - value gets luma 255 and is joined
// to the previous point (which starts at height - 10). Then "0" at (2, height - 14) and "30" at
// (2, height - 88) when `labels` (glyph text is drawn only into frames whose format says YUY2).
// Rows outside the frame are skipped; any history value is safe (the arithmetic is 64-bit).
void drawRateGraph(const FrameView& yuy2, const int32_t* history, bool labels = true);

}  // namespace filter
