// Thumbnail layout, resampling, makers and cache-record conversion.
#include "app/gallery/Thumbnail.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "app/gallery/ImageCache.h"

namespace gallery {

namespace {

QImage asThumbFormat(const QImage& image) {
    return image.format() == kThumbFormat ? image : image.convertToFormat(kThumbFormat);
}

void fillRect(QImage& image, int left, int top, int right, int bottom, uint32_t rgb) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image.width());
    bottom = std::min(bottom, image.height());
    const auto b = static_cast<uint8_t>(rgb & 0xFF);
    const auto g = static_cast<uint8_t>((rgb >> 8) & 0xFF);
    const auto r = static_cast<uint8_t>((rgb >> 16) & 0xFF);
    for (int y = top; y < bottom; ++y) {
        uint8_t* row = image.scanLine(y);
        for (int x = left; x < right; ++x) {
            row[3 * x] = b;
            row[3 * x + 1] = g;
            row[3 * x + 2] = r;
        }
    }
}

// Draws `picture` opaque with its top-left at (x, y), clipped to the target.
void blit(const QImage& picture, QImage& target, int x, int y) {
    const QImage src = asThumbFormat(picture);
    for (int sy = 0; sy < src.height(); ++sy) {
        const int ty = y + sy;
        if (ty < 0 || ty >= target.height()) {
            continue;
        }
        const int sx0 = std::max(0, -x);
        const int sx1 = std::min(src.width(), target.width() - x);
        if (sx1 <= sx0) {
            continue;
        }
        std::memcpy(target.scanLine(ty) + 3 * (x + sx0), src.constScanLine(sy) + 3 * sx0,
                    static_cast<size_t>(3 * (sx1 - sx0)));
    }
}

QImage makeAviIcon() {
    // A film strip: dark frame, two rows of sprocket holes, a light picture area between them.
    QImage icon(kClipMarkerSize, kClipMarkerSize, kThumbFormat);
    fillRect(icon, 0, 0, 18, 18, 0x202020);
    fillRect(icon, 2, 4, 16, 14, 0xD8D8D8);
    fillRect(icon, 3, 5, 15, 13, 0x4F7FBF);
    for (int x = 1; x < 18; x += 4) {
        fillRect(icon, x, 1, x + 2, 3, 0xFFFFFF);
        fillRect(icon, x, 15, x + 2, 17, 0xFFFFFF);
    }
    return icon;
}

}  // namespace

QSize thumbnailSize(int32_t cameraAspect) {
    return cameraAspect == 0 ? QSize(80, 60) : QSize(96, 60);
}

ThumbnailLayout thumbnailLayout(QSize thumb, QSize source) {
    const int w = thumb.width();
    const int h = thumb.height();
    const float a = static_cast<float>(w) / static_cast<float>(h);
    const float s = static_cast<float>(source.width()) / static_cast<float>(source.height());
    ThumbnailLayout l;
    if (s > a) {
        l.mx = 1;
        l.my =
            static_cast<int>(std::trunc(static_cast<float>(h) - static_cast<float>(w) / s)) / 2 + 1;
    } else {
        l.mx =
            static_cast<int>(std::trunc(static_cast<float>(w) - static_cast<float>(h) * s)) / 2 + 1;
        l.my = 1;
    }
    l.left = l.mx;
    l.top = l.my;
    l.right = w - l.mx;
    l.bottom = h - l.my;
    l.markerX = w - l.mx - kClipMarkerInset;
    l.markerY = h - l.my - kClipMarkerInset;
    return l;
}

void stretchInto(const QImage& source, QImage& target, int left, int top, int right, int bottom) {
    const int dw = right - left;
    const int dh = bottom - top;
    const int sw = source.width();
    const int sh = source.height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) {
        return;
    }
    // Source span [x0[i], x1[i]) for each target column; at least one source pixel each.
    auto spans = [](int dst, int src) {
        std::vector<int> edges(static_cast<size_t>(dst) + 1);
        for (int i = 0; i <= dst; ++i) {
            edges[static_cast<size_t>(i)] = static_cast<int>(static_cast<int64_t>(i) * src / dst);
        }
        return edges;
    };
    const std::vector<int> xs = spans(dw, sw);
    const std::vector<int> ys = spans(dh, sh);
    std::vector<uint32_t> acc(static_cast<size_t>(dw) * 3);
    for (int ty = 0; ty < dh; ++ty) {
        const int y0 = ys[static_cast<size_t>(ty)];
        const int y1 = std::max(y0 + 1, ys[static_cast<size_t>(ty) + 1]);
        const int outY = top + ty;
        if (outY < 0 || outY >= target.height()) {
            continue;
        }
        std::fill(acc.begin(), acc.end(), 0U);
        for (int sy = y0; sy < y1; ++sy) {
            const uint8_t* row = source.constScanLine(sy);
            for (int tx = 0; tx < dw; ++tx) {
                const int x0 = xs[static_cast<size_t>(tx)];
                const int x1 = std::max(x0 + 1, xs[static_cast<size_t>(tx) + 1]);
                uint32_t b = 0, g = 0, r = 0;
                for (int sx = x0; sx < x1; ++sx) {
                    b += row[3 * sx];
                    g += row[3 * sx + 1];
                    r += row[3 * sx + 2];
                }
                uint32_t* a = &acc[3 * static_cast<size_t>(tx)];
                a[0] += b;
                a[1] += g;
                a[2] += r;
            }
        }
        uint8_t* out = target.scanLine(outY);
        for (int tx = 0; tx < dw; ++tx) {
            const int outX = left + tx;
            if (outX < 0 || outX >= target.width()) {
                continue;
            }
            const int x0 = xs[static_cast<size_t>(tx)];
            const uint32_t n =
                static_cast<uint32_t>(std::max(x0 + 1, xs[static_cast<size_t>(tx) + 1]) - x0) *
                static_cast<uint32_t>(y1 - y0);
            for (int c = 0; c < 3; ++c) {
                out[3 * outX + c] = static_cast<uint8_t>(
                    (acc[3 * static_cast<size_t>(tx) + static_cast<size_t>(c)] + n / 2) / n);
            }
        }
    }
}

bool MakeThumbnail(const QImage& source, QImage& target, bool clipMarker, QSize thumbSize) {
    if (source.width() == 0 || source.height() == 0 || thumbSize.isEmpty()) {
        return false;
    }
    const int w = thumbSize.width();
    const int h = thumbSize.height();
    QImage thumb(w, h, kThumbFormat);
    if (thumb.isNull()) {
        return false;
    }
    fillRect(thumb, 0, 0, w, h, 0xFFFFFF);
    fillRect(thumb, 1, 1, w - 1, h - 1, kThumbBackground);
    const ThumbnailLayout l = thumbnailLayout(thumbSize, source.size());
    stretchInto(asThumbFormat(source), thumb, l.left, l.top, l.right, l.bottom);
    if (clipMarker) {
        blit(AviIcon(), thumb, l.markerX, l.markerY);
    }
    target = std::move(thumb);
    return true;
}

QImage MakeBrandedThumbnail(const QImage& source) {
    if (source.width() == 0 || source.height() == 0) {
        return {};
    }
    QImage thumb(kBrandedThumbSize, kThumbFormat);
    thumb.fill(Qt::black);
    stretchInto(asThumbFormat(source), thumb, 1, 1, kBrandedThumbSize.width() - 1,
                kBrandedThumbSize.height() - 1);
    return thumb;
}

const QImage& AviIcon() {
    static const QImage icon = makeAviIcon();
    return icon;
}

QImage blackBitmap(QSize size) {
    QImage image(size, kThumbFormat);
    image.fill(Qt::black);
    return image;
}

uint64_t fileTimeValue(const FileTime& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

FileTime toFileTime(uint64_t value) {
    return {static_cast<uint32_t>(value & 0xFFFFFFFFU), static_cast<uint32_t>(value >> 32)};
}

ImageCacheEntry makeCacheRecord(const QImage& thumb, std::string_view path, int32_t fileSize,
                                uint64_t writeTime) {
    ImageCacheEntry record;
    record.fileSize = fileSize;
    record.writeTime = toFileTime(writeTime);
    ImageCache::setRecordPath(record, path);
    const QImage src = asThumbFormat(thumb);
    const size_t rowBytes = static_cast<size_t>(src.width()) * 3;
    if (!src.isNull() &&
        rowBytes * static_cast<size_t>(src.height()) <= ImageCacheEntry::kPixelBytes) {
        record.thumbWidth = src.width();
        record.thumbHeight = src.height();
        for (int y = 0; y < src.height(); ++y) {
            std::memcpy(record.pixels + rowBytes * static_cast<size_t>(y), src.constScanLine(y),
                        rowBytes);
        }
    }
    record.useCount = 1;
    return record;
}

QImage thumbnailFromRecord(const ImageCacheEntry& record) {
    if (!record.hasValidSize() || record.thumbWidth == 0 || record.thumbHeight == 0) {
        return {};
    }
    QImage image(record.thumbWidth, record.thumbHeight, kThumbFormat);
    const size_t rowBytes = static_cast<size_t>(record.thumbWidth) * 3;
    for (int y = 0; y < record.thumbHeight; ++y) {
        std::memcpy(image.scanLine(y), record.pixels + rowBytes * static_cast<size_t>(y), rowBytes);
    }
    return image;
}

}  // namespace gallery
