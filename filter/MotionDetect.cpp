// Motion tests and detection marks (streaming thread; pure functions of their arguments).
#include "filter/MotionDetect.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace filter {
namespace {

constexpr uint8_t kRedY = 81, kRedU = 90, kRedV = 240;

void rowPixelSums(const uint8_t* row, int32_t width, int32_t* sums) {
    for (int32_t i = 0; i < width; ++i, row += 3) {
        sums[i] = row[0] + row[1] + row[2];
    }
}

void setRedYuy2(const FrameView& f, int32_t x, int32_t y) {
    uint8_t* mp = f.row(y) + static_cast<ptrdiff_t>(x / 2) * 4;
    mp[(x & 1) != 0 ? 2 : 0] = kRedY;
    mp[1] = kRedU;
    mp[3] = kRedV;
}

void setRedBgr(const FrameView& f, int32_t x, int32_t y) {
    uint8_t* p = f.row(y) + static_cast<ptrdiff_t>(x) * 3;
    p[0] = 0;
    p[1] = 0;
    p[2] = 255;
}

template <typename SetRed>
void drawBorder(const FrameView& f, const PixelRect& box, SetRed setRed) {
    // Clip to the frame: boxes come from the tests and lie inside, but the kernel stays safe.
    auto inside = [&](int32_t x, int32_t y) {
        return x >= 0 && y >= 0 && x < f.width && y < f.height;
    };
    for (int32_t x = box.left; x <= box.right; ++x) {
        if (inside(x, box.top)) {
            setRed(f, x, box.top);
        }
        if (inside(x, box.bottom)) {
            setRed(f, x, box.bottom);
        }
    }
    for (int32_t y = box.top; y < box.bottom; ++y) {
        if (inside(box.left, y)) {
            setRed(f, box.left, y);
        }
        if (inside(box.right, y)) {
            setRed(f, box.right, y);
        }
    }
}

bool insetFits(const FrameView& f, const PixelRect& box) {
    return !f.empty() && box.left >= 0 && box.top >= 0 && box.right < f.width &&
           box.bottom < f.height && box.width() > 0 && box.height() > 0 &&
           box.width() <= kInsetMaxWidth && box.height() <= kInsetMaxHeight;
}

int32_t insetLeft(const FrameView& f, const PixelRect& box) {
    return box.left > box.width() / 2 ? 2 : f.width - 2 - 2 * box.width();
}

}  // namespace

void MotionBox::widen(int32_t x, int32_t y) {
    maxX = std::max(maxX, x);
    minX = std::min(minX, x);
    maxY = std::max(maxY, y);
    minY = std::min(minY, y);
}

int32_t motionPixelTest(const uint8_t* cur, const uint8_t* ref, int32_t width, int32_t height,
                        int32_t threshold, MotionBox& box) {
    int32_t changed = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x, cur += 3, ref += 3) {
            const int32_t a = cur[0] + cur[1] + cur[2];
            const int32_t b = ref[0] + ref[1] + ref[2];
            if (a <= kMotionMaxPixelSum && b <= kMotionMaxPixelSum &&
                std::abs(a - b) >= threshold) {
                ++changed;
                box.widen(x, y);
            }
        }
    }
    return changed;
}

int32_t motionWindowTest(const uint8_t* cur, const uint8_t* ref, int32_t width, int32_t height,
                         int32_t threshold, MotionBox& box, int32_t* rowSums) {
    int32_t counted = 0;
    if (width <= 5) {
        return 0;
    }
    int32_t* sc = rowSums;
    int32_t* sr = rowSums + width;
    const ptrdiff_t rowBytes = static_cast<ptrdiff_t>(width) * 3;
    const int32_t limit = 2 * threshold;
    for (int32_t y = 0; y < height; ++y) {
        rowPixelSums(cur + y * rowBytes, width, sc);
        rowPixelSums(ref + y * rowBytes, width, sr);
        // Start columns c = 3i (bytes) while c < width x 3 - 15, that is i < width - 5.
        for (int32_t i = 0; i < width - 5; ++i) {
            const int32_t* a = sc + i;
            const int32_t* b = sr + i;
            const int32_t ma = std::min({a[0], a[1], a[2], a[3], a[4]});
            const int32_t mb = std::min({b[0], b[1], b[2], b[3], b[4]});
            int32_t diff = 0;
            for (int32_t k = 0; k < 5; ++k) {
                diff += std::abs((a[k] - ma) - (b[k] - mb));
            }
            if (diff > limit) {
                ++counted;
                box.widen(i + 5, y);
            }
        }
    }
    return counted;
}

std::optional<PixelRect> intersectBoxes(const MotionBox& a, const MotionBox& b) {
    PixelRect r{std::max(a.minX, b.minX), std::max(a.minY, b.minY), std::min(a.maxX, b.maxX),
                std::min(a.maxY, b.maxY)};
    if (r.left > r.right || r.top > r.bottom) {
        return std::nullopt;
    }
    return r;
}

void drawMotionBorderBgr(const FrameView& frame, const PixelRect& box) {
    drawBorder(frame, box, setRedBgr);
}

void drawMotionBorderYuy2(const FrameView& frame, const PixelRect& box) {
    drawBorder(frame, box, setRedYuy2);
}

bool pasteInsetBgr(const FrameView& f, const PixelRect& box, bool lastRowIsBottom,
                   uint8_t* scratch) {
    if (!insetFits(f, box) || scratch == nullptr) {
        return false;
    }
    const int32_t bw = box.width();
    const int32_t bh = box.height();
    for (int32_t r = 0; r < bh; ++r) {
        std::memcpy(scratch + static_cast<ptrdiff_t>(r) * bw * 3,
                    f.row(box.top + r) + static_cast<ptrdiff_t>(box.left) * 3,
                    static_cast<size_t>(bw) * 3);
    }
    const int32_t x0 = insetLeft(f, box);
    const int32_t y0 = lastRowIsBottom ? f.height - 2 - 2 * bh : 2;
    for (int32_t r = 0; r < 2 * bh; ++r) {
        const int32_t dy = y0 + r;
        if (dy < 0 || dy >= f.height) {
            continue;
        }
        const uint8_t* s = scratch + static_cast<ptrdiff_t>(r / 2) * bw * 3;
        uint8_t* d = f.row(dy);
        for (int32_t c = 0; c < 2 * bw; ++c) {
            const int32_t dx = x0 + c;
            if (dx < 0 || dx >= f.width) {
                continue;
            }
            std::memcpy(d + static_cast<ptrdiff_t>(dx) * 3, s + (c / 2) * 3, 3);
        }
    }
    return true;
}

bool pasteInsetYuy2(const FrameView& f, const PixelRect& box, uint8_t* scratch) {
    if (!insetFits(f, box) || scratch == nullptr) {
        return false;
    }
    const int32_t bw = box.width();
    const int32_t bh = box.height();
    // Scratch holds Y, U, V of every box pixel.
    uint8_t* s = scratch;
    for (int32_t r = 0; r < bh; ++r) {
        const uint8_t* row = f.row(box.top + r);
        for (int32_t c = 0; c < bw; ++c) {
            const int32_t x = box.left + c;
            const uint8_t* mp = row + static_cast<ptrdiff_t>(x / 2) * 4;
            *s++ = mp[(x & 1) != 0 ? 2 : 0];
            *s++ = mp[1];
            *s++ = mp[3];
        }
    }
    // Even start column, so that each source pixel becomes one whole destination macropixel.
    const int32_t x0 = insetLeft(f, box) & ~1;
    const int32_t y0 = f.height - 2 - 2 * bh;
    for (int32_t r = 0; r < 2 * bh; ++r) {
        const int32_t dy = y0 + r;
        if (dy < 0 || dy >= f.height) {
            continue;
        }
        const uint8_t* src = scratch + static_cast<ptrdiff_t>(r / 2) * bw * 3;
        uint8_t* d = f.row(dy);
        for (int32_t c = 0; c < bw; ++c, src += 3) {
            const int32_t dx = x0 + 2 * c;
            if (dx < 0 || dx + 1 >= f.width) {
                continue;
            }
            uint8_t* mp = d + static_cast<ptrdiff_t>(dx / 2) * 4;
            mp[0] = src[0];
            mp[1] = src[1];
            mp[2] = src[0];
            mp[3] = src[2];
        }
    }
    return true;
}

}  // namespace filter
