// Gallery list, selection, rescan and deletion.
#include "app/gallery/GalleryModel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_set>

#include "app/gallery/JpegDecoder.h"
#include "app/gallery/StripGeometry.h"
#include "app/gallery/Thumbnail.h"
#include "app/gallery/VideoThumbnail.h"
#include "app/gallery/WorkerPool.h"
#include "platform/Collation.h"
#include "platform/FileSearch.h"

namespace gallery {

namespace {

std::optional<QImage> decodePicture(const ThumbnailSources& sources, JpegDecoder& decoder,
                                    const std::string& path, QSize thumb) {
    return sources.picture ? sources.picture(path, thumb) : decoder.decode(path, thumb);
}

bool readClip(const ThumbnailSources& sources, const std::string& path, QImage& frame) {
    return sources.clip ? sources.clip(path, frame)
                        : platform::succeeded(MakeVideoThumbnail(path, frame));
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool existsAt(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Makes out[i] = make(i, decoder of the worker) for every i on the rescan's worker threads; each
// worker keeps one decoder for all its files.
void makeOnWorkers(std::vector<QImage>& out, const ThumbnailSources& sources,
                   const std::function<QImage(size_t index, JpegDecoder& decoder)>& make,
                   const std::function<void()>& finished = {}) {
    std::vector<JpegDecoder> decoders(
        static_cast<size_t>(workerCount(out.size(), sources.threads)));
    runOnWorkers(
        out.size(), sources.threads,
        [&](size_t i, int worker) { out[i] = make(i, decoders[static_cast<size_t>(worker)]); },
        finished);
}

void sortPaths(std::vector<std::string>& paths) {
    std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        return platform::compareTextNoCase(a, b) < 0;
    });
}

}  // namespace

std::string_view GalleryModel::pathAt(int index) const {
    if (index < 0 || index >= count()) {
        return {};
    }
    return std::string_view(list_[static_cast<size_t>(index)]).substr(1);
}

int GalleryModel::indexOfPath(std::string_view path) const {
    for (int i = 0; i < count(); ++i) {
        if (pathAt(i) == path) {
            return i;
        }
    }
    return -1;
}

void GalleryModel::carryOver(const std::vector<std::string>& previous,
                             std::vector<std::string>& paths) {
    std::unordered_set<std::string_view> selected;
    for (const std::string& e : previous) {
        if (!e.empty() && e[0] == kSelected) {
            selected.insert(std::string_view(e).substr(1));
        }
    }
    auto previousPath = [&](int32_t index) -> std::optional<std::string_view> {
        if (index < 0 || static_cast<size_t>(index) >= previous.size() ||
            previous[static_cast<size_t>(index)].empty()) {
            return std::nullopt;
        }
        return std::string_view(previous[static_cast<size_t>(index)]).substr(1);
    };
    const auto focusPath = previousPath(focusIndex_);
    const auto anchorPath = previousPath(anchorIndex_);
    bool focusMoved = false;
    bool anchorMoved = false;
    selectedCount_ = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        const bool mark = selected.count(paths[i]) > 0;
        if (focusPath && !focusMoved && *focusPath == paths[i]) {
            focusIndex_ = static_cast<int32_t>(i);
            focusMoved = true;
        }
        if (anchorPath && !anchorMoved && *anchorPath == paths[i]) {
            anchorIndex_ = static_cast<int32_t>(i);
            anchorMoved = true;
        }
        selectedCount_ += mark ? 1 : 0;
        paths[i].insert(paths[i].begin(), mark ? kSelected : kUnselected);
    }
    // A focus or anchor whose file is gone keeps its old index number.
}

bool GalleryModel::WouldList(std::string_view path, const std::string& pictureFolder,
                             const std::string& videoFolder) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || slash + 1 == path.size()) {
        return false;
    }
    const std::string name(path.substr(slash + 1));
    const auto listedIn = [&](const std::string& folder, const char* pattern) {
        return !folder.empty() && joinPath(folder, name) == path &&
               platform::wildcardMatch(pattern, name);
    };
    if (!listedIn(pictureFolder, kPicturePattern) && !listedIn(videoFolder, kClipPattern)) {
        return false;
    }
    // Followed links count, as in the folder search.
    struct stat st {};
    return ::stat(std::string(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

RescanStats GalleryModel::RescanGallery(ImageCache& cache, const std::string& pictureFolder,
                                        const std::string& videoFolder, QSize thumb,
                                        const ThumbnailSources& sources) {
    RescanStats stats;
    deleteEnabled_ = false;
    std::vector<std::string> previous = std::move(list_);
    list_.clear();
    cache.resetUseCounts();

    // The files in search order and which of them need a new thumbnail.
    struct Found {
        std::string path;
        bool clip = false;
        int at = -1;  // cache entry, or -1
        int32_t size = 0;
        uint64_t lastWrite = 0;
        int job = -1;  // index of its new thumbnail, or -1 when the cached one stays
    };
    std::vector<Found> found;
    std::vector<size_t> jobs;
    auto scan = [&](const std::string& folder, const char* pattern, bool isClip) {
        for (const platform::FoundFile& f : platform::findFiles(folder, pattern)) {
            Found file;
            file.path = joinPath(folder, f.name);
            file.clip = isClip;
            (isClip ? stats.clips : stats.pictures) += 1;
            file.at = cache.IndexOf(file.path);
            file.size = static_cast<int32_t>(static_cast<uint32_t>(f.size));  // low 32 bits
            file.lastWrite = f.lastWrite;
            bool current = false;
            if (file.at >= 0) {
                const ImageCacheEntry& e = cache.entry(file.at);
                current = e.fileSize == file.size && fileTimeValue(e.writeTime) == f.lastWrite &&
                          e.thumbWidth == thumb.width() && e.thumbHeight == thumb.height();
            }
            if (!current) {
                file.job = static_cast<int>(jobs.size());
                jobs.push_back(found.size());
            }
            found.push_back(std::move(file));
        }
    };
    scan(pictureFolder, kPicturePattern, false);
    if (!videoFolder.empty()) {
        scan(videoFolder, kClipPattern, true);
    }

    // A null thumbnail: MakeThumbnail refused (a clip without a readable frame).
    auto makeThumbnail = [&](const Found& file, JpegDecoder& decoder) {
        QImage source;
        if (file.clip) {
            if (!readClip(sources, file.path, source)) {
                source = QImage();
            }
        } else {
            source = decodePicture(sources, decoder, file.path, thumb).value_or(blackBitmap(thumb));
        }
        QImage thumbnail;
        MakeThumbnail(source, thumbnail, file.clip, thumb);
        return thumbnail;
    };
    // Made a chunk at a time, so that a cold rescan of a big folder holds only a chunk of new
    // thumbnails beside the cache, not all of them.
    constexpr size_t kChunk = 256;
    std::vector<QImage> made;
    size_t chunkStart = 0;  // the job of made[0]

    // Cache and list in search order, as if each file had been decoded in its turn.
    std::vector<std::string> paths;
    paths.reserve(found.size());
    for (Found& file : found) {
        if (file.job >= 0) {
            const size_t job = static_cast<size_t>(file.job);
            if (made.empty() || job >= chunkStart + made.size()) {
                chunkStart = job;
                made.assign(std::min(kChunk, jobs.size() - job), QImage());
                makeOnWorkers(made, sources, [&](size_t i, JpegDecoder& decoder) {
                    return makeThumbnail(found[jobs[chunkStart + i]], decoder);
                });
            }
            const QImage thumbnail = std::move(made[job - chunkStart]);
            if (thumbnail.isNull()) {
                stats.leftOut += 1;
                continue;
            }
            stats.decoded += 1;
            ImageCacheEntry record =
                makeCacheRecord(thumbnail, file.path, file.size, file.lastWrite);
            if (file.at < 0) {
                record.useCount = 1;
                cache.Add(record, file.path);
            } else {
                record.useCount = cache.entry(file.at).useCount;
                cache.Replace(file.at, record, file.path);
            }
        }
        paths.push_back(std::move(file.path));
    }

    sortPaths(paths);
    carryOver(previous, paths);
    cache.DeleteUnused();
    list_ = std::move(paths);
    if (focusIndex_ > scrollMaximum(count())) {
        focusIndex_ = 0;
    }
    deleteEnabled_ = selectedCount_ > 0;
    return stats;
}

void GalleryModel::RescanPicturesOnly(std::vector<QImage>& imageList,
                                      const std::string& pictureFolder,
                                      const std::function<void()>& pump,
                                      const ThumbnailSources& sources) {
    std::vector<std::string> paths;
    for (const platform::FoundFile& f : platform::findFiles(pictureFolder, kPicturePattern)) {
        paths.push_back(joinPath(pictureFolder, f.name));
    }
    sortPaths(paths);
    const QSize inner(kBrandedThumbSize.width() - 2, kBrandedThumbSize.height() - 2);
    std::vector<QImage> made(paths.size());
    makeOnWorkers(
        made, sources,
        [&](size_t i, JpegDecoder& decoder) {
            const std::optional<QImage> picture = decodePicture(sources, decoder, paths[i], inner);
            return picture ? MakeBrandedThumbnail(*picture) : QImage();
        },
        pump);
    // Pictures that cannot be decoded are dropped before marks and focus are carried over, so
    // that every index still names the file it named before.
    std::vector<std::string> kept;
    std::vector<QImage> thumbs;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!made[i].isNull()) {
            kept.push_back(std::move(paths[i]));
            thumbs.push_back(std::move(made[i]));
        }
    }
    std::vector<std::string> previous = std::move(list_);
    carryOver(previous, kept);
    list_ = std::move(kept);
    imageList = std::move(thumbs);
}

void GalleryModel::appendEntry(const std::string& path) {
    list_.push_back(kUnselected + path);
}

void GalleryModel::AddGalleryItem(ImageCache& cache, const std::string& path, const QImage& thumb) {
    ImageCacheEntry record = makeCacheRecord(thumb, path, 0, 0);
    cache.Add(record, path);
}

int GalleryModel::ReplaceItemThumbnail(ImageCache& cache, const std::string& path,
                                       const QImage& thumb) const {
    const int index = indexOfPath(path);
    if (index < 0) {
        return -1;
    }
    const int at = cache.IndexOf(path);
    if (at >= 0) {
        ImageCacheEntry record = makeCacheRecord(thumb, path, 0, 0);
        record.useCount = cache.entry(at).useCount;
        cache.Replace(at, record, path);
    }
    return index;
}

bool GalleryModel::IsItemSelected(int index) const {
    return index >= 0 && index < count() && list_[static_cast<size_t>(index)][0] == kSelected;
}

void GalleryModel::SetItemSelected(int index, bool selected) {
    if (index < 0 || index >= count()) {
        return;
    }
    std::string& e = list_[static_cast<size_t>(index)];
    const char mark = selected ? kSelected : kUnselected;
    if (e[0] != mark) {
        e[0] = mark;
        selectedCount_ += selected ? 1 : -1;
    }
    if (selectedCount_ > 0 && !deleteEnabled_) {
        deleteEnabled_ = true;
    } else if (selectedCount_ == 0 && deleteEnabled_) {
        deleteEnabled_ = false;
    }
}

void GalleryModel::DeselectAll() {
    for (int i = 0; i < count(); ++i) {
        SetItemSelected(i, false);
    }
}

int GalleryModel::entryAt(int slot, int scrollPosition) const {
    if (slot < 0 || list_.empty()) {
        return -1;
    }
    const int k = scrollPosition + slot;
    return k <= scrollMaximum(count()) ? k : -1;
}

StripActions GalleryModel::click(int entry, bool shift, bool ctrl) {
    StripStep step = stripClick(stripState(0), entry, shift, ctrl);
    setStripState(step.state);
    return step.actions;
}

StripState GalleryModel::stripState(int scrollPosition) const {
    StripState s;
    s.selected.reserve(list_.size());
    for (const std::string& e : list_) {
        s.selected.push_back(e[0] == kSelected);
    }
    s.selectedCount = selectedCount_;
    s.focus = focusIndex_;
    s.anchor = anchorIndex_;
    s.scroll = scrollPosition;
    s.deleteEnabled = deleteEnabled_;
    return s;
}

void GalleryModel::setStripState(const StripState& state) {
    for (size_t i = 0; i < list_.size() && i < state.selected.size(); ++i) {
        list_[i][0] = state.selected[i] ? kSelected : kUnselected;
    }
    selectedCount_ = state.selectedCount;
    focusIndex_ = state.focus;
    anchorIndex_ = state.anchor;
    deleteEnabled_ = state.deleteEnabled;
}

std::vector<std::string> GalleryModel::DeleteSelected(
    ImageCache& cache, const std::function<void(const std::string& path)>& onFailure,
    std::vector<QImage>* imageList) {
    std::vector<std::string> failed;
    int i = 0;
    while (i < count()) {
        if (IsItemSelected(i)) {
            const std::string path(pathAt(i));
            ::unlink(path.c_str());
            if (existsAt(path)) {
                failed.push_back(path);
                if (onFailure) {
                    onFailure(path);
                }
                ++i;
            } else {
                const int at = cache.IndexOf(path);
                if (at >= 0) {
                    cache.Delete(at);
                }
                list_.erase(list_.begin() + i);
                if (imageList != nullptr && static_cast<size_t>(i) < imageList->size()) {
                    imageList->erase(imageList->begin() + i);
                }
            }
        } else {
            ++i;
        }
        focusIndex_ = -1;
        anchorIndex_ = -1;
    }
    deleteEnabled_ = false;
    selectedCount_ = 0;
    for (int j = 0; j < count(); ++j) {
        selectedCount_ += IsItemSelected(j) ? 1 : 0;
    }
    return failed;
}

}  // namespace gallery
