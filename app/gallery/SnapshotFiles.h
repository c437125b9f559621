// The file and gallery half of a snapshot: number, name, overwrite question, JPEG, thumbnail.
// The window keeps the rest (free-space test, preview and busy checks, the still, drawing).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <QImage>
#include <QSize>

#include "app/gallery/GalleryModel.h"
#include "app/gallery/ImageCache.h"
#include "app/gallery/JpegWriter.h"

namespace gallery {

struct SnapshotSettings {
    std::string pictureFolder;
    std::string artist;             // the edition's EXIF Artist
    bool exifOnOverwrite = true;    // the branded edition overwrites without EXIF
    bool brandedThumbnail = false;  // 80 x 60 stretched, for the image list instead of the cache
    QSize thumbSize{80, 60};
    LocalClock clock = localNow;
    // A picture nobody is there to answer for (taken by motion): it never asks and never writes
    // over a file, but takes the next free number, trying at most kFreeNumberTries of them.
    bool unattended = false;
};

constexpr int kFreeNumberTries = 100;

struct SnapshotOutcome {
    enum class Result {
        OutOfRange,    // counter above 10000: nothing happened
        NoStill,       // the still did not arrive: nothing written, the counter stepped back
        WriteFailed,   // the picture could not be written: no entry, the counter stepped back
        Declined,      // the user kept the existing file; the counter stepped back
        NoFreeNumber,  // unattended: every number tried was taken; the counter is as it was
        NoThumbnail,   // the still had no pixels: the file was attempted, the strip is unchanged
        Added,         // a new file: entry appended, thumbnail added (cache or `thumb`)
        Replaced,      // an overwritten file: its thumbnail replaced where it is listed
    };
    Result result = Result::OutOfRange;
    int32_t number = 0;
    std::string path;
    bool saved = false;  // what the JPEG writer answered (the window does not report it)
    QImage thumb;        // the new thumbnail (for the branded edition's image list)
    int listIndex = -1;  // Replaced: the entry's index, -1 when the file is not listed
};

// Steps of a snapshot after the busy flag is taken: takes the next number from `counter`,
// grabs the still through `grabStill`, writes the picture (asking `askOverwrite` about the
// number when the file exists; the window shows overwriteQuestion() and answers Yes or No) and
// enters it in `model` and `cache` (`cache` may be null: the branded edition keeps thumbnails in
// its image list and gets `thumb` back).
SnapshotOutcome takeSnapshotFiles(int32_t& counter, GalleryModel& model, ImageCache* cache,
                                  const SnapshotSettings& settings,
                                  const std::function<QImage()>& grabStill,
                                  const std::function<bool(int32_t number)>& askOverwrite);

}  // namespace gallery
