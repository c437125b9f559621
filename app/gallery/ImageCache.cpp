// Thumbnail cache: records, lookups and the cache file.
#include "app/gallery/ImageCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include "app/gallery/AtomicFile.h"

namespace gallery {

namespace {

constexpr size_t kRecordBytes = sizeof(ImageCacheEntry);
// fileSize, writeTime and path: enough to decide whether the rest is read at all.
constexpr size_t kHeadBytes = offsetof(ImageCacheEntry, thumbWidth);

// Reads exactly `size` bytes; false on end of file or error.
bool readFully(int fd, void* data, size_t size) {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

std::string_view recordPath(const ImageCacheEntry& record) {
    return {record.path, ::strnlen(record.path, ImageCacheEntry::kPathBytes)};
}

}  // namespace

bool ImageCache::setRecordPath(ImageCacheEntry& record, std::string_view path) {
    std::memset(record.path, 0, sizeof record.path);
    if (path.size() > ImageCacheEntry::kMaxPathLength ||
        path.find('\0') != std::string_view::npos) {
        return false;
    }
    std::memcpy(record.path, path.data(), path.size());
    return true;
}

bool ImageCache::persistable(int position) const {
    const Item& item = items_.at(static_cast<size_t>(position));
    return recordPath(*item.record) == item.path;
}

bool ImageCache::LoadFromFile(const std::string& path, const PathFilter& keep) {
    // No links followed, and no waiting on a FIFO someone put at the name.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    FdCloser closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return false;
    }
    Clear();
    // In a shared temporary folder the name may hold another user's thumbnails, or ours made
    // writable for others: neither is shown. The length bound keeps a forged count from
    // filling memory.
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 ||
        static_cast<uintmax_t>(st.st_size) > kMaxFileBytes) {
        return false;
    }
    int32_t mark = 0;
    if (!readFully(fd, &mark, sizeof mark) || mark != kFormatMark) {
        return false;
    }
    int32_t n = 0;
    if (!readFully(fd, &n, sizeof n)) {
        return true;
    }
    n = std::min(n, kMaxEntries);  // the file may have grown since fstat
    // The count is not trusted: reading stops at the first record that is not whole.
    auto record = std::make_unique<ImageCacheEntry>();
    auto* const rest = reinterpret_cast<char*>(record.get()) + kHeadBytes;
    for (int32_t i = 0; i < n; ++i) {
        if (!readFully(fd, record.get(), kHeadBytes)) {
            break;
        }
        const bool wanted = record->hasTerminatedPath() && (!keep || keep(recordPath(*record)));
        if (!wanted) {
            // Seeking past the end succeeds; a record cut short then ends the loading at the
            // next read, as one that is read does.
            if (::lseek(fd, static_cast<off_t>(kRecordBytes - kHeadBytes), SEEK_CUR) < 0) {
                break;
            }
            continue;
        }
        if (!readFully(fd, rest, kRecordBytes - kHeadBytes)) {
            break;
        }
        if (record->hasValidSize()) {
            Add(*record);
        }
    }
    SortByPath();
    return true;
}

bool ImageCache::SaveToFile(const std::string& path) const {
    AtomicFile file(path, AtomicFile::Mode::Private);
    if (!file.open()) {
        return false;
    }
    // Beyond kMaxEntries the next load would refuse the whole file; the rest is rebuilt instead.
    std::vector<const ImageCacheEntry*> records;
    for (int i = 0; i < count() && static_cast<int32_t>(records.size()) < kMaxEntries; ++i) {
        if (persistable(i)) {
            records.push_back(items_[static_cast<size_t>(i)].record.get());
        }
    }
    const int32_t header[2] = {kFormatMark, static_cast<int32_t>(records.size())};
    file.write(header, sizeof header);
    for (const ImageCacheEntry* record : records) {
        file.write(record, kRecordBytes);
    }
    return file.commit(false);
}

int ImageCache::IndexOf(std::string_view path) {
    if (!indexValid_) {
        rebuildIndex();
    }
    const auto it = index_.find(path);
    if (it == index_.end()) {
        return -1;
    }
    items_[static_cast<size_t>(it->second)].record->useCount += 1;
    return it->second;
}

void ImageCache::store(Item& item, const ImageCacheEntry& record, std::string_view fullPath) {
    std::memcpy(item.record.get(), &record, kRecordBytes);
    item.path.assign(fullPath);
    setRecordPath(*item.record, fullPath);
}

void ImageCache::Insert(int position, const ImageCacheEntry& record) {
    Insert(position, record, recordPath(record));
}

void ImageCache::Insert(int position, const ImageCacheEntry& record, std::string_view fullPath) {
    if (position < 0 || position > count()) {
        return;
    }
    Item item{std::make_unique<ImageCacheEntry>(), {}};
    store(item, record, fullPath);
    item.record->useCount = 1;
    const bool atEnd = position == count();
    items_.insert(items_.begin() + position, std::move(item));
    if (atEnd && indexValid_) {
        index_.try_emplace(items_.back().path, position);  // a later duplicate is not the first
    } else {
        indexValid_ = false;
    }
}

void ImageCache::Replace(int position, const ImageCacheEntry& record) {
    Replace(position, record, recordPath(record));
}

void ImageCache::Replace(int position, const ImageCacheEntry& record, std::string_view fullPath) {
    if (position < 0 || position >= count()) {
        return;
    }
    Item& item = items_[static_cast<size_t>(position)];
    const bool samePath = item.path == fullPath;
    store(item, record, fullPath);
    if (!samePath) {
        indexValid_ = false;
    }
}

void ImageCache::Delete(int position) {
    if (position < 0 || position >= count()) {
        return;
    }
    items_.erase(items_.begin() + position);
    indexValid_ = false;
}

void ImageCache::Clear() {
    items_.clear();
    index_.clear();
    indexValid_ = true;
}

void ImageCache::SortByPath() {
    // std::string compares as unsigned bytes (char_traits<char>::compare is memcmp).
    std::stable_sort(items_.begin(), items_.end(),
                     [](const Item& a, const Item& b) { return a.path < b.path; });
    indexValid_ = false;
}

void ImageCache::resetUseCounts() {
    for (Item& item : items_) {
        item.record->useCount = 0;
    }
}

int ImageCache::DeleteUnused() {
    const auto unused = [](const Item& item) { return item.record->useCount == 0; };
    const auto from = std::remove_if(items_.begin(), items_.end(), unused);
    const int removed = static_cast<int>(items_.end() - from);
    items_.erase(from, items_.end());
    if (removed > 0) {
        indexValid_ = false;
    }
    return removed;
}

void ImageCache::rebuildIndex() {
    index_.clear();
    index_.reserve(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) {
        index_.try_emplace(items_[i].path, static_cast<int>(i));
    }
    indexValid_ = true;
}

}  // namespace gallery
