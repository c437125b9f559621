// Stamp compositing (streaming thread; pure functions of their arguments). Everything is clipped
// to the frame, so small frames never see writes outside their rows.
#include "filter/StampComposite.h"

#include <algorithm>
#include <cstring>

namespace filter {

void StampImage::findLitBounds() {
    firstRow = height;
    lastRow = -1;
    firstCol = width;
    lastCol = -1;
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t x = 0; x < width; ++x) {
            if (lit(x, r)) {
                firstRow = std::min(firstRow, r);
                lastRow = std::max(lastRow, r);
                firstCol = std::min(firstCol, x);
                lastCol = std::max(lastCol, x);
            }
        }
    }
}

void compositeDateYuy2(const FrameView& frame, const StampImage& img) {
    compositeDateYuy2At(frame, img, 0, 0);
}

void compositeDateYuy2At(const FrameView& frame, const StampImage& img, int32_t left, int32_t top) {
    if (frame.empty() || img.data == nullptr || img.firstRow > img.lastRow) {
        return;
    }
    // Frame columns of the lit span, widened to whole macropixels and clipped to the frame.
    const int64_t first = std::max<int64_t>(static_cast<int64_t>(left) + img.firstCol, 0);
    const int64_t last =
        std::min<int64_t>(static_cast<int64_t>(left) + img.lastCol, frame.width - 1);
    if (first > last) {
        return;
    }
    const auto x0 = static_cast<int32_t>(first & ~int64_t{1});
    const auto x1 = static_cast<int32_t>(last);
    for (int32_t s = img.firstRow; s <= img.lastRow; ++s) {
        const int64_t y = static_cast<int64_t>(top) + (img.height - 1 - s);  // picture line
        if (y < 0 || y >= frame.height) {
            continue;
        }
        uint8_t* row = frame.row(static_cast<int32_t>(y));
        for (int32_t x = x0; x <= x1; x += 2) {
            const int64_t c0 = static_cast<int64_t>(x) - left;  // image columns of the pair
            const int64_t c1 = c0 + 1;
            const bool lit0 = c0 >= 0 && c0 < img.width && img.lit(static_cast<int32_t>(c0), s);
            const bool lit1 = c1 >= 0 && c1 < img.width && x + 1 < frame.width &&
                              img.lit(static_cast<int32_t>(c1), s);
            uint8_t* mp = row + static_cast<ptrdiff_t>(x / 2) * 4;
            if (lit0 && lit1) {
                mp[0] = kStampY;
                mp[1] = kStampU;
                mp[2] = kStampY;
                mp[3] = kStampV;
            } else if (lit0 || lit1) {
                mp[lit0 ? 0 : 2] = kStampY;
                mp[1] = static_cast<uint8_t>((mp[1] + kStampU) >> 1);
                mp[3] = static_cast<uint8_t>((mp[3] + kStampV) >> 1);
            }
        }
    }
}

void compositeTimeYuy2(const FrameView& frame, const StampImage& img, int32_t left, int32_t top) {
    if (frame.empty() || img.data == nullptr) {
        return;
    }
    for (int32_t s = img.firstRow; s <= img.lastRow; ++s) {
        const int32_t y = top + (img.height - 1 - s);
        if (y < 0 || y >= frame.height) {
            continue;
        }
        uint8_t* row = frame.row(y);
        for (int32_t c = img.firstCol; c <= img.lastCol; ++c) {
            const int32_t x = left + c;
            if (x < 0 || x >= frame.width || !img.lit(c, s)) {
                continue;
            }
            uint8_t* mp = row + static_cast<ptrdiff_t>(x / 2) * 4;
            if ((x & 1) == 0) {
                mp[0] = kStampY;
                mp[1] = kStampU;
                mp[3] = kStampV;
            } else {
                mp[2] = kStampY;
            }
        }
    }
}

namespace {

void copyLitRow(uint8_t* frameRow, int32_t frameWidth, const StampImage& img, int32_t storedRow,
                int32_t left) {
    const uint8_t* src = img.data + static_cast<ptrdiff_t>(storedRow) * img.width * 3;
    for (int32_t c = img.firstCol; c <= img.lastCol; ++c) {
        const int32_t x = left + c;
        if (x < 0 || x >= frameWidth || !img.lit(c, storedRow)) {
            continue;
        }
        std::memcpy(frameRow + static_cast<ptrdiff_t>(x) * 3, src + static_cast<ptrdiff_t>(c) * 3,
                    3);
    }
}

}  // namespace

void compositeDateBgr(const FrameView& frame, const StampImage& img, int32_t left, bool bottomUp) {
    if (frame.empty() || img.data == nullptr) {
        return;
    }
    for (int32_t s = img.firstRow; s <= img.lastRow; ++s) {
        const int32_t y = bottomUp ? s : frame.height - 1 - s;
        if (y < 0 || y >= frame.height) {
            continue;
        }
        copyLitRow(frame.row(y), frame.width, img, s, left);
    }
}

void compositeTimeBgr(const FrameView& frame, const StampImage& img, int32_t left, int32_t top,
                      bool bottomUp) {
    if (frame.empty() || img.data == nullptr) {
        return;
    }
    for (int32_t s = img.firstRow; s <= img.lastRow; ++s) {
        const int32_t pictureRow = top + (img.height - 1 - s);
        const int32_t y = bottomUp ? frame.height - 1 - pictureRow : pictureRow;
        if (y < 0 || y >= frame.height || pictureRow < 0) {
            continue;
        }
        copyLitRow(frame.row(y), frame.width, img, s, left);
    }
}

}  // namespace filter
