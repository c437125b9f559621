// The media gallery without its window: the list of entries, the selection, the rescan of
// the two folders, new and replaced thumbnails, and the file work of a deletion.
//
// Window thread only. The window draws; this model says what to draw (the entries, the marks,
// the focus, whether the delete button is enabled) and does the file and cache work. A rescan
// hands the decoding to worker threads of its own and joins them before it returns.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>
#include <QSize>

#include "app/gallery/ImageCache.h"
#include "app/gallery/StripInput.h"

namespace gallery {

// Where thumbnails come from during a rescan; empty members use the real decoders. A rescan
// calls them from its worker threads, several at a time.
struct ThumbnailSources {
    // A picture decoded for a thumbnail of the given size; nothing when it cannot be decoded.
    std::function<std::optional<QImage>(const std::string& path, QSize thumb)> picture;
    // The first video frame of a clip; false when it cannot be read.
    std::function<bool(const std::string& path, QImage& frame)> clip;
    // Threads that decode and make the thumbnails; 0: one per core. 1 decodes one file at a time.
    int threads = 0;
};

struct RescanStats {
    int pictures = 0;  // picture files found
    int clips = 0;     // clip files found
    int decoded = 0;   // thumbnails rebuilt from their files
    int leftOut = 0;   // clips without a readable frame
};

class GalleryModel {
  public:
    static constexpr char kUnselected = '0';
    static constexpr char kSelected = '1';
    static constexpr const char* kPicturePattern = "Picture????.jpg";
    static constexpr const char* kClipPattern = "Movie????.avi";

    // GalleryList: mark character followed by the full path (raw bytes, any encoding).
    const std::vector<std::string>& GalleryList() const { return list_; }
    int count() const { return static_cast<int>(list_.size()); }
    std::string_view pathAt(int index) const;
    // Index of the first entry for exactly this path, or -1.
    int indexOfPath(std::string_view path) const;

    int32_t focusIndex() const { return focusIndex_; }
    int32_t anchorIndex() const { return anchorIndex_; }
    int32_t selectedCount() const { return selectedCount_; }
    void setFocusIndex(int32_t index) { focusIndex_ = index; }
    void setAnchorIndex(int32_t index) { anchorIndex_ = index; }
    // The delete button as the gallery's rules leave it: enabled or disabled.
    bool deleteEnabled() const { return deleteEnabled_; }

    // Rebuilds the list and the cache from the folders. `videoFolder` empty: pictures only.
    // Decodes only files that are new or whose size, write time or the thumbnail size changed;
    // a picture that cannot be decoded is listed with a black thumbnail, a clip without a
    // readable frame is left out. Sorted case-insensitively in the user's locale; marks, focus
    // and anchor follow their files; cache entries of vanished files are deleted. The thumbnails
    // are made on worker threads; list, cache and statistics are those of one file at a time.
    RescanStats RescanGallery(ImageCache& cache, const std::string& pictureFolder,
                              const std::string& videoFolder, QSize thumb,
                              const ThumbnailSources& sources = {});

    // True when a rescan of these folders would list `path` now: a regular file directly in
    // the picture folder named like a picture, or in the video folder (unless empty) named like
    // a clip. One stat, no listing: the filter for the cache records loaded at start.
    static bool WouldList(std::string_view path, const std::string& pictureFolder,
                          const std::string& videoFolder);

    // The branded edition's rescan: pictures only, no cache; `imageList` receives 80 x 60
    // thumbnails at the same indexes as the entries. Undecodable pictures are left out.
    // `pump` runs on this thread once per thumbnail made (the window processes its pending
    // messages while the workers decode).
    void RescanPicturesOnly(std::vector<QImage>& imageList, const std::string& pictureFolder,
                            const std::function<void()>& pump = {},
                            const ThumbnailSources& sources = {});

    // Appends an unselected entry (a snapshot before its file is written, a finished clip).
    void appendEntry(const std::string& path);

    // A file the program has just written: its thumbnail joins the cache with size and time 0,
    // so that the next rescan rebuilds it from the file. The caller appends the entry itself.
    static void AddGalleryItem(ImageCache& cache, const std::string& path, const QImage& thumb);
    // A file the program has just overwritten: answers the entry's index (-1: not listed, and
    // nothing changed); its cache entry, when there is one, gets the new thumbnail.
    int ReplaceItemThumbnail(ImageCache& cache, const std::string& path, const QImage& thumb) const;

    bool IsItemSelected(int index) const;
    void SetItemSelected(int index, bool selected);
    void DeselectAll();

    // The entry a click in `slot` (-1: none) hits with the strip scrolled to `scrollPosition`,
    // or -1.
    int entryAt(int slot, int scrollPosition) const;
    // A left-button click that hit `entry` (-1: none) with the given modifiers, applied; answers
    // what the window must do.
    StripActions click(int entry, bool shift, bool ctrl);

    // The selection as the strip's input rules see it (with the window's scroll position), and
    // the state they answer, applied.
    StripState stripState(int scrollPosition) const;
    void setStripState(const StripState& state);

    // Deletes the files of the selected entries. Each file that is still there afterwards is
    // reported to `onFailure` (the window shows its message) and stays listed and selected;
    // the others leave the list and the cache, and their thumbnails leave `imageList` (the
    // branded edition's, by entry index) so that every later thumbnail stays with its entry.
    // Answers the paths that could not be deleted.
    std::vector<std::string> DeleteSelected(
        ImageCache& cache, const std::function<void(const std::string& path)>& onFailure = {},
        std::vector<QImage>* imageList = nullptr);

  private:
    // Marks, focus and anchor of `previous` carried over to the entries of `paths` (in order).
    void carryOver(const std::vector<std::string>& previous, std::vector<std::string>& paths);

    std::vector<std::string> list_;
    int32_t focusIndex_ = -1;
    int32_t anchorIndex_ = -1;
    int32_t selectedCount_ = 0;
    bool deleteEnabled_ = false;
};

// The scroll position that makes `index` the rightmost visible entry (0 near the start).
inline int scrollToShow(int index, int visibleCount) {
    return index < visibleCount ? 0 : index + 1 - visibleCount;
}

}  // namespace gallery
