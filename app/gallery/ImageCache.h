// The thumbnail cache: one fixed-size record per picture or clip, kept across runs in a file.
//
// Window thread only. A path longer than a record's 259 characters is kept in memory only
// (its record's path field is left empty and the full path is held beside it); such entries
// are found, sorted and deleted like the others but are never written to the cache file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/gallery/ImageCacheEntry.h"

namespace gallery {

class ImageCache {
  public:
    static constexpr int32_t kFormatMark = 1000;
    // A file holds at most one record per name the gallery lists ("Picture%04d.jpg" and
    // "Movie%04d.avi"), so a longer file is not a cache of ours and is never read.
    static constexpr int32_t kMaxEntries = 20000;
    static constexpr size_t kMaxFileBytes =
        2 * sizeof(int32_t) + static_cast<size_t>(kMaxEntries) * sizeof(ImageCacheEntry);

    ImageCache() = default;
    ~ImageCache() = default;
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    // False when the file cannot be opened (cache unchanged), and with the cache empty when it
    // is not a regular file of this user that only this user may write, is longer than
    // kMaxFileBytes or carries another mark. Records are appended until the count (at most
    // kMaxEntries) is reached or one cannot be read whole; a record whose size does not fit its
    // pixel block or whose path lacks its zero is skipped, and so is one whose path `keep`
    // refuses (empty: keep all) - its pixel block is passed over unread, so what a large file
    // costs in memory is what is kept of it.
    using PathFilter = std::function<bool(std::string_view path)>;
    bool LoadFromFile(const std::string& path, const PathFilter& keep = {});
    // Writes mark, count and the first kMaxEntries records that fit the file under a temporary
    // name in the same folder and renames it over `path`; false (and the old file untouched) on
    // any failure.
    bool SaveToFile(const std::string& path) const;

    // First entry whose path equals `path` byte for byte; counts the hit. -1 when none.
    int IndexOf(std::string_view path);

    // Copies the record (the path taken from its field) with useCount 1; ignored when the
    // position is negative or beyond the end.
    void Insert(int position, const ImageCacheEntry& record);
    // The same with the full path given apart: needed when it does not fit the record.
    void Insert(int position, const ImageCacheEntry& record, std::string_view fullPath);
    void Add(const ImageCacheEntry& record) { Insert(count(), record); }
    void Add(const ImageCacheEntry& record, std::string_view fullPath) {
        Insert(count(), record, fullPath);
    }
    // Copies the whole record, useCount included, over the entry; ignored outside the list.
    void Replace(int position, const ImageCacheEntry& record);
    void Replace(int position, const ImageCacheEntry& record, std::string_view fullPath);
    void Delete(int position);
    void Clear();
    // Byte order of the paths (unsigned bytes); entries with equal paths keep their order.
    void SortByPath();

    int count() const { return static_cast<int>(items_.size()); }
    const ImageCacheEntry& entry(int position) const {
        return *items_.at(static_cast<size_t>(position)).record;
    }
    ImageCacheEntry& entry(int position) {
        return *items_.at(static_cast<size_t>(position)).record;
    }
    // The full path of an entry (also for memory-only entries).
    const std::string& pathOf(int position) const {
        return items_.at(static_cast<size_t>(position)).path;
    }
    // False for entries whose path is too long for the file.
    bool persistable(int position) const;
    // Resets every useCount (the start of a rescan).
    void resetUseCounts();
    // Deletes every entry whose useCount is 0 (files a rescan did not find) in one pass; the
    // same result as deleting them one by one from the last to the first.
    int DeleteUnused();

    // Fills a record's path field when the path fits (259 bytes, no zero byte inside).
    static bool setRecordPath(ImageCacheEntry& record, std::string_view path);

  private:
    struct Item {
        std::unique_ptr<ImageCacheEntry> record;  // a separate block per entry, as in the file
        std::string path;
    };
    void store(Item& item, const ImageCacheEntry& record, std::string_view fullPath);
    void rebuildIndex();

    std::vector<Item> items_;
    // Path -> first position; lets a rescan of many files stay linear. Rebuilt lazily after
    // any change that can move an entry; appends keep it current.
    struct PathHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, int, PathHash, std::equal_to<>> index_;
    bool indexValid_ = true;
};

}  // namespace gallery
