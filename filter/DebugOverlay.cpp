// Stream-timing overlay pieces (streaming thread; no allocation, no locale).
#include "filter/DebugOverlay.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

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

float frameRateFromStarts(int64_t start, int64_t prevStart) {
    const int64_t interval = start - prevStart;  // 100 ns units
    if (interval == 0) {
        return kMaxFrameRate;
    }
    if (interval < 0) {
        return 0.0f;
    }
    const float rate = static_cast<float>(1.0 / (static_cast<double>(interval) * 1e-7));
    return rate > kMaxFrameRate ? kMaxFrameRate : rate;
}

void pushRateHistory(int32_t* history, int32_t width, float rate) {
    const int32_t n = std::min<int32_t>(width, static_cast<int32_t>(kRateHistoryEntries));
    if (n <= 0) {
        return;
    }
    std::memmove(history, history + 1, static_cast<size_t>(n - 1) * sizeof(int32_t));
    history[n - 1] = static_cast<int32_t>(std::trunc(rate * 2.0f));
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
        const int32_t y = h - 15 - history[x];
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
