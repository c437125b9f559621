// Snapshot file steps; see SnapshotFiles.h.
#include "app/gallery/SnapshotFiles.h"

#include <sys/stat.h>

#include "app/gallery/SnapshotNaming.h"
#include "app/gallery/Thumbnail.h"

namespace gallery {
namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// False (with the outcome set) when the still gives no thumbnail.
bool makeThumb(const QImage& still, const SnapshotSettings& settings, SnapshotOutcome& out) {
    if (settings.brandedThumbnail) {
        out.thumb = MakeBrandedThumbnail(still);
    } else if (!MakeThumbnail(still, out.thumb, false, settings.thumbSize)) {
        out.thumb = QImage();
    }
    if (out.thumb.isNull()) {
        out.result = SnapshotOutcome::Result::NoThumbnail;
        return false;
    }
    return true;
}

// From the number already taken on, the first number whose file is not there, written without
// ever replacing a file (one that appears meanwhile only moves the picture on to the next).
SnapshotOutcome takeUnattended(int32_t& counter, GalleryModel& model, ImageCache* cache,
                               const SnapshotSettings& settings, const QImage& still,
                               SnapshotOutcome& out) {
    using Result = SnapshotOutcome::Result;
    const int32_t before = counter - 1;
    for (int tries = 0; tries < kFreeNumberTries; ++tries) {
        if (tries > 0) {
            const std::optional<int32_t> next = takePictureNumber(counter);
            if (!next) {
                break;
            }
            out.number = *next;
            out.path = picturePath(settings.pictureFolder, *next);
        }
        if (exists(out.path)) {
            continue;
        }
        out.saved = SaveNewJpegWithExif(still, out.path, settings.artist, settings.clock);
        if (!out.saved) {
            if (exists(out.path)) {
                continue;  // another program took the name just now
            }
            counter = before;
            out.result = Result::WriteFailed;
            return out;
        }
        model.appendEntry(out.path);
        if (makeThumb(still, settings, out)) {
            out.result = Result::Added;
            if (cache != nullptr) {
                GalleryModel::AddGalleryItem(*cache, out.path, out.thumb);
            }
        }
        return out;
    }
    counter = before;
    out.result = Result::NoFreeNumber;
    return out;
}

}  // namespace

SnapshotOutcome takeSnapshotFiles(int32_t& counter, GalleryModel& model, ImageCache* cache,
                                  const SnapshotSettings& settings,
                                  const std::function<QImage()>& grabStill,
                                  const std::function<bool(int32_t number)>& askOverwrite) {
    using Result = SnapshotOutcome::Result;
    SnapshotOutcome out;
    const std::optional<int32_t> number = takePictureNumber(counter);
    if (!number) {
        return out;
    }
    out.number = *number;
    out.path = picturePath(settings.pictureFolder, *number);
    const QImage still = grabStill ? grabStill() : QImage();
    if (still.isNull()) {
        // An older frame must never be saved as a new picture.
        givePictureNumberBack(counter);
        out.result = Result::NoStill;
        return out;
    }

    if (settings.unattended) {
        return takeUnattended(counter, model, cache, settings, still, out);
    }
    bool replaced = false;
    if (!exists(out.path)) {
        out.saved = SaveJpegWithExif(still, out.path, settings.artist, settings.clock);
        if (!out.saved) {
            givePictureNumberBack(counter);
            out.result = Result::WriteFailed;
            return out;
        }
        model.appendEntry(out.path);
    } else {
        if (!askOverwrite || !askOverwrite(*number)) {
            givePictureNumberBack(counter);
            out.result = Result::Declined;
            return out;
        }
        out.saved = settings.exifOnOverwrite
                        ? SaveJpegWithExif(still, out.path, settings.artist, settings.clock)
                        : SaveJpeg(still, out.path);
        if (!out.saved) {
            // The old picture is still there, unchanged: keep its number for the next try.
            givePictureNumberBack(counter);
            out.result = Result::WriteFailed;
            return out;
        }
        replaced = true;
    }

    if (!makeThumb(still, settings, out)) {
        return out;
    }
    if (replaced) {
        out.result = Result::Replaced;
        out.listIndex = cache != nullptr ? model.ReplaceItemThumbnail(*cache, out.path, out.thumb)
                                         : model.indexOfPath(out.path);
    } else {
        out.result = Result::Added;
        if (cache != nullptr) {
            GalleryModel::AddGalleryItem(*cache, out.path, out.thumb);
        }
    }
    return out;
}

}  // namespace gallery
