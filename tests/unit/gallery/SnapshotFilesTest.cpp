// The file half of a snapshot: numbering across 9999, the overwrite question, both editions.
#include <string>

#include <gtest/gtest.h>

#include "GalleryTestUtil.h"
#include "app/MessageTexts.h"
#include "app/gallery/SnapshotFiles.h"
#include "app/gallery/SnapshotNaming.h"
#include "app/gallery/Thumbnail.h"
#include "support/TestEnvironment.h"

using namespace gallery;
using Result = SnapshotOutcome::Result;

namespace {

SnapshotSettings mainEdition() {
    SnapshotSettings s;
    s.pictureFolder = testenv::picturesDir();
    s.artist = "Peekbox";
    s.clock = [] { return LocalTime{2009, 3, 7, 9, 5, 3}; };
    return s;
}

QImage still(QColor c) {
    return gallerytest::picture(640, 480, c, c);
}

}  // namespace

TEST(SnapshotFiles, After9999ComesPicture0001WithTheQuestionFirst) {
    ImageCache cache;
    GalleryModel model;
    int32_t counter = 9999;
    int grabbed = 0;
    auto grab = [&] {
        ++grabbed;
        return still(Qt::red);
    };
    std::vector<int32_t> asked;
    bool answer = false;
    auto ask = [&](int32_t n) {
        asked.push_back(n);
        return answer;
    };

    SnapshotOutcome out = takeSnapshotFiles(counter, model, &cache, mainEdition(), grab, ask);
    EXPECT_EQ(out.result, Result::Added);
    EXPECT_EQ(out.path, testenv::picturesDir() + "/Picture9999.jpg");
    EXPECT_TRUE(out.saved);
    EXPECT_EQ(counter, 10000);
    EXPECT_EQ(model.GalleryList().back(), "0" + out.path);
    EXPECT_GE(cache.IndexOf(out.path), 0);
    EXPECT_EQ(
        gallerytest::run("exiftool -s3 -Artist -DateTimeOriginal " + gallerytest::quoted(out.path)),
        "Peekbox\n2009:03:07 09:05:03\n");

    // Picture0001 exists: the question is asked; No steps the counter back.
    ASSERT_TRUE(gallerytest::writePicture(testenv::picturesDir() + "/Picture0001.jpg", 64, 48));
    model.RescanGallery(cache, testenv::picturesDir(), "", {80, 60});
    const int entries = model.count();
    out = takeSnapshotFiles(counter, model, &cache, mainEdition(), grab, ask);
    EXPECT_EQ(out.result, Result::Declined);
    EXPECT_EQ(asked, std::vector<int32_t>{1});
    EXPECT_EQ(counter, 1) << "the same number is offered again";
    EXPECT_EQ(model.count(), entries);
    app::MessageTexts texts(editions::edition());
    EXPECT_EQ(overwriteQuestion(texts, asked[0]),
              "Picture0001.jpg already exists, do you want to replace it?");

    // Yes: written over, one entry kept, its thumbnail replaced.
    answer = true;
    out = takeSnapshotFiles(counter, model, &cache, mainEdition(), grab, ask);
    EXPECT_EQ(out.result, Result::Replaced);
    EXPECT_EQ(out.listIndex, 0);
    EXPECT_EQ(counter, 2);
    EXPECT_EQ(model.count(), entries);
    EXPECT_EQ(thumbnailFromRecord(cache.entry(cache.IndexOf(out.path))), out.thumb);
    EXPECT_EQ(out.thumb.pixelColor(40, 30), QColor(Qt::red));
    EXPECT_EQ(grabbed, 3);
}

TEST(SnapshotFiles, OutOfRangeAndEmptyStills) {
    ImageCache cache;
    GalleryModel model;
    int32_t counter = 10001;
    bool grabbed = false;
    SnapshotOutcome out = takeSnapshotFiles(
        counter, model, &cache, mainEdition(),
        [&] {
            grabbed = true;
            return QImage();
        },
        nullptr);
    EXPECT_EQ(out.result, Result::OutOfRange);
    EXPECT_FALSE(grabbed);
    EXPECT_EQ(counter, 10001);

    // A still that never arrived writes nothing and gives its number back.
    counter = 5;
    out = takeSnapshotFiles(
        counter, model, &cache, mainEdition(), [] { return QImage(); }, nullptr);
    EXPECT_EQ(out.result, Result::NoStill);
    EXPECT_FALSE(testenv::fileExists(out.path));
    EXPECT_EQ(counter, 5);
    EXPECT_EQ(model.count(), 0);
    EXPECT_EQ(cache.count(), 0);
}

TEST(SnapshotFiles, FailedWriteLeavesNoEntryAndKeepsTheNumber) {
    ImageCache cache;
    GalleryModel model;
    SnapshotSettings s = mainEdition();
    s.pictureFolder = testenv::root() + "/no-such-folder";
    int32_t counter = 7;
    const SnapshotOutcome out = takeSnapshotFiles(
        counter, model, &cache, s, [] { return still(Qt::green); }, nullptr);
    EXPECT_EQ(out.result, Result::WriteFailed);
    EXPECT_FALSE(out.saved);
    EXPECT_EQ(counter, 7);
    EXPECT_EQ(model.count(), 0);
    EXPECT_EQ(cache.count(), 0);
}

TEST(SnapshotFiles, BrandedOverwriteCarriesNoExif) {
    GalleryModel model;
    SnapshotSettings s = mainEdition();
    s.artist = "Norvale Glimmer";
    s.exifOnOverwrite = false;
    s.brandedThumbnail = true;
    int32_t counter = 1;
    SnapshotOutcome out = takeSnapshotFiles(
        counter, model, nullptr, s, [] { return still(Qt::blue); }, nullptr);
    ASSERT_EQ(out.result, Result::Added);
    EXPECT_EQ(out.thumb.size(), QSize(80, 60));
    EXPECT_EQ(gallerytest::run("exiftool -s3 -Artist " + gallerytest::quoted(out.path)),
              "Norvale Glimmer\n");

    counter = 1;
    out = takeSnapshotFiles(
        counter, model, nullptr, s, [] { return still(Qt::blue); }, [](int32_t) { return true; });
    ASSERT_EQ(out.result, Result::Replaced);
    EXPECT_EQ(out.listIndex, 0);
    EXPECT_TRUE(out.saved);
    EXPECT_EQ(
        gallerytest::run("exiftool -s3 -Artist -DateTimeOriginal " + gallerytest::quoted(out.path)),
        "");
}

// A picture nobody is there for never asks and never writes over a file: it takes the next free
// number, and with none free among the next ones it is not taken and the counter stays.
TEST(SnapshotFiles, UnattendedPicturesTakeTheNextFreeNumberAndNeverAsk) {
    testenv::clearDir(testenv::picturesDir());
    ImageCache cache;
    GalleryModel model;
    SnapshotSettings settings = mainEdition();
    settings.unattended = true;
    auto grab = [] { return still(Qt::green); };
    bool asked = false;
    auto ask = [&](int32_t) { return asked = true; };
    const std::string theirs = testenv::picturesDir() + "/Picture0003.jpg";
    testenv::writeFile(theirs, "not ours");
    testenv::writeFile(testenv::picturesDir() + "/Picture0004.jpg", "not ours either");

    int32_t counter = 3;
    SnapshotOutcome out = takeSnapshotFiles(counter, model, &cache, settings, grab, ask);
    EXPECT_EQ(out.result, Result::Added);
    EXPECT_EQ(out.path, testenv::picturesDir() + "/Picture0005.jpg");
    EXPECT_EQ(counter, 6);
    EXPECT_FALSE(asked);
    EXPECT_EQ(testenv::readFile(theirs), "not ours");
    EXPECT_EQ(model.GalleryList().back(), "0" + out.path);
    EXPECT_GE(cache.IndexOf(out.path), 0);

    for (int n = 6; n < 6 + kFreeNumberTries; ++n) {
        testenv::writeFile(picturePath(testenv::picturesDir(), n), "taken");
    }
    const int entries = model.count();
    out = takeSnapshotFiles(counter, model, &cache, settings, grab, ask);
    EXPECT_EQ(out.result, Result::NoFreeNumber);
    EXPECT_EQ(counter, 6);
    EXPECT_EQ(model.count(), entries);
    EXPECT_FALSE(asked);
    EXPECT_EQ(testenv::readFile(picturePath(testenv::picturesDir(), 6)), "taken");
}
