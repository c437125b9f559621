// Stream-timing overlay pieces (streaming thread; no allocation, no locale).
#include "filter/DebugOverlay.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "filter/GlyphFont.h"

namespace filter {

void DebugLine::append(const char* s, size_t n) {
    const size_t room = sizeof(buf_) - len_;
    n = std::min(n, room);
    std::memcpy(buf_ + len_, s, n);
    len_ += n;
}

DebugLine& DebugLine::text(std::string_view s) {
    append(s.data(), s.size());
    return *this;
}

DebugLine& DebugLine::fixed(double v, int width, int precision) {
    char tmp[400];
    const auto res = std::to_chars(tmp, tmp + sizeof(tmp), v, std::chars_format::fixed, precision);
    const size_t n = res.ec == std::errc() ? static_cast<size_t>(res.ptr - tmp) : 0;
    for (size_t pad = n; pad < static_cast<size_t>(std::max(width, 0)); ++pad) {
        append(" ", 1);
    }
    append(tmp, n);
    return *this;
}

DebugLine& DebugLine::integer(int64_t v) {
    char tmp[24];
    const auto res = std::to_chars(tmp, tmp + sizeof(tmp), v);
    append(tmp, static_cast<size_t>(res.ptr - tmp));
    return *this;
}

size_t formatDebugLines(FilterVariant variant, const DebugTimes& t, DebugTextLines& lines) {
    const double start = static_cast<double>(t.sampleStart) * 1e-7;
    const double stop = static_cast<double>(t.sampleStop) * 1e-7;
    const double wall = static_cast<double>(t.sinceFirstClock) * 1e-7;
    for (DebugTextLine& l : lines) {
        l.text.clear();
    }
    if (variant == FilterVariant::Main) {
        lines[0].y = 10;
        lines[0].text.text("stS - ").fixed(start, 6, 2).text(" ").fixed(wall, 6, 2);
        lines[1].y = 25;
        lines[1].text.text("stE - ").fixed(stop, 6, 2);
        lines[2].y = 40;
        lines[2].text.text("mt  - ").integer(t.mediaStart).text(" ").integer(t.mediaStop);
        lines[3].y = 55;
        lines[3].text.text("FRate   - ").fixed(t.frameRate, 2, 2);
        return 4;
    }
    // "%d" of a 64-bit value prints its low 32 bits: the same cut, without the varargs mismatch.
    lines[0].y = 10;
    lines[0].text.text("stStart - ").fixed(start, 6, 2).text(" ").fixed(wall, 6, 2);
    lines[1].y = 25;
    lines[1].text.text("stEnd   - ").fixed(stop, 6, 2);
    lines[2].y = 40;
    lines[2].text.text("mtStart - ").integer(static_cast<int32_t>(t.mediaStart));
    lines[3].y = 55;
    lines[3].text.text("mtEnd   - ").integer(static_cast<int32_t>(t.mediaStop));
    lines[4].y = 70;
    lines[4].text.text("FRate   - ").fixed(t.frameRate, 2, 2);  // to_chars writes "inf"
    return 5;
}

float frameRateFromStarts(int64_t start, int64_t prevStart, bool clampTo35) {
    // Start times come from the stream: the difference is taken without signed overflow.
    const auto interval =
        static_cast<int64_t>(static_cast<uint64_t>(start) - static_cast<uint64_t>(prevStart));
    if (interval == 0) {
        return clampTo35 ? kMaxFrameRate : std::numeric_limits<float>::infinity();
    }
    if (interval < 0) {
        return 0.0f;
    }
    // interval >= 1 (100 ns): the rate is at most 10^7, well inside float.
    const float rate = static_cast<float>(1.0 / (static_cast<double>(interval) * 1e-7));
    return clampTo35 && rate > kMaxFrameRate ? kMaxFrameRate : rate;
}

void pushRateHistory(int32_t* history, int32_t width, float rate) {
    const int32_t n = std::min<int32_t>(width, static_cast<int32_t>(kRateHistoryEntries));
    if (n <= 0) {
        return;
    }
    std::memmove(history, history + 1, static_cast<size_t>(n - 1) * sizeof(int32_t));
    // Converting a float outside int32's range is undefined: saturate first.
    const double v = std::trunc(static_cast<double>(rate) * 2.0);
    int32_t entry = 0;
    if (std::isnan(v)) {
        entry = 0;
    } else if (v >= static_cast<double>(INT32_MAX)) {
        entry = INT32_MAX;
    } else if (v <= static_cast<double>(INT32_MIN)) {
        entry = INT32_MIN;
    } else {
        entry = static_cast<int32_t>(v);
    }
    history[n - 1] = entry;
}

void drawRateGraph(const FrameView& f, const int32_t* history, bool labels) {
    if (f.empty()) {
        return;
    }
    const int32_t h = f.height;
    auto setLuma = [&](int32_t x, int32_t y, uint8_t v) {
        if (y >= 0 && y < h) {
            f.row(y)[static_cast<ptrdiff_t>(x) * 2] = v;
        }
    };
    const int32_t n = std::min<int32_t>(f.width, static_cast<int32_t>(kRateHistoryEntries));
    int32_t prevY = h - 10;
    for (int32_t x = 1; x < f.width; ++x) {
        setLuma(x, h - 15, 175);
        setLuma(x, h - 75, 175);
        if (x >= n || history[x] == -1) {
            continue;
        }
        // 64-bit, then held to one row outside the frame at either end: the same pixels are
        // drawn (the point and the join are clipped there anyway) without int32 overflow.
        const int32_t y = static_cast<int32_t>(
            std::clamp<int64_t>(static_cast<int64_t>(h) - 15 - history[x], -1, h));
        setLuma(x, y, 255);
        const int32_t from = std::max(std::min(y, prevY), 0);
        const int32_t to = std::min(std::max(y, prevY), h);
        for (int32_t yy = from; yy < to; ++yy) {
            setLuma(x, yy, 255);
        }
        prevY = y;
    }
    if (labels) {
        drawGlyphText(f, 2, h - 14, "0");
        drawGlyphText(f, 2, h - 88, "30");
    }
}

}  // namespace filter
