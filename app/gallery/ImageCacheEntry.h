// The fixed-size thumbnail record, byte for byte the same in memory and in the cache file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// The file is read and written as whole records; its byte order is little-endian.
static_assert(std::endian::native == std::endian::little, "cache records are little-endian");

namespace gallery {

struct FileTime {
    uint32_t dwLowDateTime = 0;
    uint32_t dwHighDateTime = 0;
};

struct ImageCacheEntry {
    static constexpr size_t kPathBytes = 260;     // 259 characters and the terminating zero
    static constexpr size_t kPixelBytes = 22500;  // 7,500 BGR pixels: 80 x 60 and 96 x 60 fit
    static constexpr size_t kMaxPathLength = kPathBytes - 1;

    int32_t fileSize = 0;  // low 32 bits of the size, as the directory search reports it
    FileTime writeTime;    // last-write time, 100 ns since 1601
    char path[kPathBytes] = {};
    int32_t thumbWidth = 0;
    int32_t thumbHeight = 0;
    uint8_t pixels[kPixelBytes] = {};  // BGR rows, top to bottom, thumbWidth * 3 bytes each
    int32_t useCount = 0;              // lookups since the last rescan began

    // True when the thumbnail size is non-negative and its rows fit the pixel block.
    bool hasValidSize() const {
        if (thumbWidth < 0 || thumbHeight < 0) {
            return false;
        }
        return static_cast<uint64_t>(thumbWidth) * static_cast<uint64_t>(thumbHeight) * 3 <=
               kPixelBytes;
    }
    // True when `path` holds its terminating zero.
    bool hasTerminatedPath() const {
        for (char c : path) {
            if (c == '\0') {
                return true;
            }
        }
        return false;
    }
};

static_assert(sizeof(FileTime) == 8);
static_assert(offsetof(ImageCacheEntry, fileSize) == 0);
static_assert(offsetof(ImageCacheEntry, writeTime) == 4);
static_assert(offsetof(ImageCacheEntry, path) == 12);
static_assert(offsetof(ImageCacheEntry, thumbWidth) == 272);
static_assert(offsetof(ImageCacheEntry, thumbHeight) == 276);
static_assert(offsetof(ImageCacheEntry, pixels) == 280);
static_assert(offsetof(ImageCacheEntry, useCount) == 22780);
static_assert(sizeof(ImageCacheEntry) == 22784);

}  // namespace gallery
