// Snapshot file steps; see SnapshotFiles.h.
#include "app/gallery/SnapshotFiles.h"

#include <sys/stat.h>

#include "app/gallery/SnapshotNaming.h"
#include "app/gallery/Thumbnail.h"

namespace gallery {

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

    struct stat st {};
    const bool exists = ::lstat(out.path.c_str(), &st) == 0;
    bool replaced = false;
    if (!exists) {
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

    if (settings.brandedThumbnail) {
        out.thumb = MakeBrandedThumbnail(still);
    } else if (!MakeThumbnail(still, out.thumb, false, settings.thumbSize)) {
        out.thumb = QImage();
    }
    if (out.thumb.isNull()) {
        out.result = Result::NoThumbnail;
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
