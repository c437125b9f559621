// Thumbnails: the aspect-fitting layout, the makers for both editions, the clip marker and the
// conversion between a thumbnail bitmap and a cache record. Pure functions of their inputs.
#pragma once

#include <cstdint>
#include <string_view>

#include <QImage>
#include <QSize>

#include "app/gallery/ImageCacheEntry.h"

namespace gallery {

// Thumbnails are 24-bit BGR bitmaps (bytes B, G, R per pixel), like the cache's pixel rows.
constexpr QImage::Format kThumbFormat = QImage::Format_BGR888;

constexpr uint32_t kThumbBackground = 0x636363;
constexpr int kClipMarkerSize = 18;
constexpr int kClipMarkerInset = 20;  // the marker sits 2 pixels inside the picture's corner

// 80 x 60 for a 4:3 camera (aspect 0), 96 x 60 for a wide one.
QSize thumbnailSize(int32_t cameraAspect);
// The branded edition's fixed thumbnail.
constexpr QSize kBrandedThumbSize{80, 60};

struct ThumbnailLayout {
    int mx = 1;  // left and right margin
    int my = 1;  // top and bottom margin
    // The picture's rectangle, right and bottom exclusive: (mx, my) to (W - mx, H - my).
    int left = 0, top = 0, right = 0, bottom = 0;
    // Top-left corner of the clip marker: (W - mx - 20, H - my - 20).
    int markerX = 0, markerY = 0;
};

// The margins that fit a source of `source` size into a thumbnail of `thumb` size, computed in
// 32-bit float with truncation toward zero as the strip has always done. Source sides must be > 0.
ThumbnailLayout thumbnailLayout(QSize thumb, QSize source);

// Grey background with a white outline, the source fitted by its aspect, and the clip marker
// when asked. False (target untouched) when the source has no pixels or the size is empty.
bool MakeThumbnail(const QImage& source, QImage& target, bool clipMarker, QSize thumbSize);

// Branded edition: the whole source stretched into (1, 1)-(79, 59) of an 80 x 60 bitmap; the
// one-pixel border stays black. A null image when the source has no pixels.
QImage MakeBrandedThumbnail(const QImage& source);

// The 18 x 18 film-strip clip marker.
const QImage& AviIcon();

// A black bitmap: what a picture that cannot be decoded is shown as.
QImage blackBitmap(QSize size);

// Resamples all of `source` into [left, right) x [top, bottom) of `target` (both kThumbFormat),
// averaging the source pixels each target pixel covers; parts outside the target are clipped.
void stretchInto(const QImage& source, QImage& target, int left, int top, int right, int bottom);

// A cache record for a thumbnail of at most 7,500 pixels. The path field is filled when the path
// fits; otherwise it stays empty and the caller passes the full path to the cache beside it.
ImageCacheEntry makeCacheRecord(const QImage& thumb, std::string_view path, int32_t fileSize,
                                uint64_t writeTime);
// The record's pixels as a bitmap (null when its size is not usable).
QImage thumbnailFromRecord(const ImageCacheEntry& record);

uint64_t fileTimeValue(const FileTime& t);
FileTime toFileTime(uint64_t value);

}  // namespace gallery
