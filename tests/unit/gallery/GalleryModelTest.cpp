// The gallery model on real folders: rescans, selection, clicks, new and replaced thumbnails,
// deletion, long and non-UTF-8 paths, and the busy guard.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include <qtestsupport_core.h>

#include "GalleryTestUtil.h"
#include "app/gallery/AutoLock.h"
#include "app/gallery/GalleryModel.h"
#include "app/gallery/JpegDecoder.h"
#include "app/gallery/StripGeometry.h"
#include "app/gallery/Thumbnail.h"
#include "platform/Sleep.h"
#include "support/TestEnvironment.h"

using namespace gallery;

namespace {

const QSize kThumb{80, 60};

// Clips without GStreamer: a frame for names with "good" in their content, none otherwise.
ThumbnailSources fakeClips() {
    ThumbnailSources s;
    s.clip = [](const std::string& path, QImage& frame) {
        if (testenv::readFile(path).find("good") == std::string::npos) {
            return false;
        }
        frame = gallerytest::picture(1280, 800, Qt::blue);
        return true;
    };
    return s;
}

std::string pic(const std::string& name) {
    return testenv::picturesDir() + "/" + name;
}
std::string vid(const std::string& name) {
    return testenv::videosDir() + "/" + name;
}

void writePictures(int from, int to) {
    for (int i = from; i <= to; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Picture%04d.jpg", i);
        ASSERT_TRUE(gallerytest::writePicture(pic(name), 64, 48));
    }
}

std::vector<std::string> paths(const GalleryModel& m) {
    std::vector<std::string> out;
    for (int i = 0; i < m.count(); ++i) {
        out.emplace_back(m.pathAt(i));
    }
    return out;
}

struct Gallery {
    ImageCache cache;
    GalleryModel model;
    RescanStats rescan() {
        return model.RescanGallery(cache, testenv::picturesDir(), testenv::videosDir(), kThumb,
                                   fakeClips());
    }
};

}  // namespace

TEST(GalleryModel, RescanListsSortsAndDecodesOnlyWhatChanged) {
    writePictures(1, 2);
    gallerytest::writePicture(pic("picture0003.JPG"), 64, 48);  // the search ignores letter case
    testenv::writeFile(pic("Picture0004.jpg"), "not a jpeg");
    testenv::writeFile(pic("Picture01.jpg"), "wrong pattern");
    testenv::writeFile(pic("Movie0009.avi"), "good, but in the picture folder");
    testenv::writeFile(vid("Movie0001.avi"), "good clip");
    testenv::writeFile(vid("Movie0002.avi"), "no frame");
    testenv::writeFile(vid("Picture0005.jpg"), "in the video folder");

    Gallery g;
    RescanStats s = g.rescan();
    EXPECT_EQ(s.pictures, 4);
    EXPECT_EQ(s.clips, 2);
    EXPECT_EQ(s.decoded, 5);
    EXPECT_EQ(s.leftOut, 1);
    // One list ordered by full path without regard to case.
    std::vector<std::string> expected = {pic("Picture0001.jpg"), pic("Picture0002.jpg"),
                                         pic("picture0003.JPG"), pic("Picture0004.jpg"),
                                         vid("Movie0001.avi")};
    std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
        return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) <
               0;
    });
    EXPECT_EQ(paths(g.model), expected);
    for (const std::string& e : g.model.GalleryList()) {
        EXPECT_EQ(e[0], '0');
    }
    EXPECT_EQ(g.cache.count(), 5);

    // The clip has its marker (undecodable pictures: ParallelRescan below).
    const int clip = g.cache.IndexOf(vid("Movie0001.avi"));
    ASSERT_GE(clip, 0);
    EXPECT_EQ(thumbnailFromRecord(g.cache.entry(clip)).pixelColor(59, 34),
              AviIcon().pixelColor(0, 0));

    // Nothing changed: nothing decoded. Through a saved and reloaded cache as at the next start.
    ASSERT_TRUE(g.cache.SaveToFile(testenv::tempDir() + "/Peekbox.icf"));
    Gallery next;
    ASSERT_TRUE(next.cache.LoadFromFile(testenv::tempDir() + "/Peekbox.icf"));
    EXPECT_EQ(next.rescan().decoded, 0);

    // A changed file, a vanished file and another thumbnail size.
    ASSERT_TRUE(gallerytest::writePicture(pic("Picture0002.jpg"), 128, 96));
    std::filesystem::remove(pic("Picture0001.jpg"));
    s = next.rescan();
    EXPECT_EQ(s.decoded, 1);
    EXPECT_EQ(next.model.count(), 4);
    EXPECT_EQ(next.cache.count(), 4);
    EXPECT_EQ(next.cache.IndexOf(pic("Picture0001.jpg")), -1)
        << "a vanished file's entry is deleted";
    s = next.model.RescanGallery(next.cache, testenv::picturesDir(), testenv::videosDir(), {96, 60},
                                 fakeClips());
    EXPECT_EQ(s.decoded, 4);
    EXPECT_EQ(next.cache.entry(0).thumbWidth, 96);

    // Pictures only (no video folder).
    next.model.RescanGallery(next.cache, testenv::picturesDir(), "", kThumb, fakeClips());
    EXPECT_EQ(next.model.count(), 3);
}

TEST(GalleryModel, SelectionFocusAndAnchorSurviveARescan) {
    writePictures(2, 9);
    Gallery g;
    g.rescan();
    ASSERT_EQ(g.model.count(), 8);
    g.model.click(1, false, false);  // Picture0003
    g.model.click(3, false, true);   // Picture0005, anchor
    g.model.click(6, false, true);   // Picture0008, focus
    ASSERT_EQ(g.model.selectedCount(), 3);

    writePictures(1, 1);  // a new first entry moves every index by one
    g.rescan();
    EXPECT_EQ(g.model.selectedCount(), 3);
    EXPECT_TRUE(g.model.deleteEnabled());
    EXPECT_TRUE(g.model.IsItemSelected(2));
    EXPECT_TRUE(g.model.IsItemSelected(4));
    EXPECT_TRUE(g.model.IsItemSelected(7));
    EXPECT_EQ(g.model.focusIndex(), 7);
    EXPECT_EQ(g.model.anchorIndex(), 7);

    // The focused file vanishes: the focus keeps its number; beyond the end it becomes 0.
    std::filesystem::remove(pic("Picture0008.jpg"));
    g.rescan();
    EXPECT_EQ(g.model.focusIndex(), 7);
    EXPECT_EQ(g.model.selectedCount(), 2);
    std::filesystem::remove(pic("Picture0009.jpg"));
    g.rescan();
    EXPECT_EQ(g.model.focusIndex(), 0);

    // Nothing selected: the rescan leaves the delete button disabled.
    g.model.DeselectAll();
    g.rescan();
    EXPECT_FALSE(g.model.deleteEnabled());
}

// The click rules themselves are StripInputTest's: here the hit and the model keeping the answer.
TEST(GalleryModel, ClickRules) {
    writePictures(1, 9);
    Gallery g;
    g.rescan();
    GalleryModel& m = g.model;

    // The strip's end: 7 visible slots show entries 2 to 8; slot 0 is entry 2.
    EXPECT_EQ(m.entryAt(0, scrollEndPosition(m.count(), 7)), 2);
    EXPECT_EQ(m.entryAt(6, 2), 8);
    EXPECT_EQ(m.entryAt(6, 3), -1);
    EXPECT_EQ(m.entryAt(-1, 0), -1);

    EXPECT_EQ(m.click(3, false, false).open, -1);
    EXPECT_EQ(m.click(3, false, false).open, 3) << "a second plain click opens";
    EXPECT_EQ(m.GalleryList()[3], "1" + pic("Picture0004.jpg"));
    EXPECT_EQ(m.focusIndex(), 3);
    EXPECT_EQ(m.anchorIndex(), 3);
    EXPECT_EQ(m.selectedCount(), 1);
    EXPECT_TRUE(m.deleteEnabled());
    m.click(3, false, true);
    EXPECT_EQ(m.selectedCount(), 0);
    EXPECT_FALSE(m.deleteEnabled());
    EXPECT_FALSE(m.IsItemSelected(-1));
    EXPECT_FALSE(m.IsItemSelected(m.count()));
}

TEST(GalleryModel, NewAndReplacedThumbnails) {
    writePictures(1, 2);
    Gallery g;
    g.rescan();
    QImage thumb;
    ASSERT_TRUE(
        MakeThumbnail(gallerytest::picture(640, 480, Qt::green, Qt::green), thumb, false, kThumb));

    const std::string snap = pic("Picture0003.jpg");
    g.model.appendEntry(snap);
    ASSERT_TRUE(gallerytest::writePicture(snap, 64, 48));
    GalleryModel::AddGalleryItem(g.cache, snap, thumb);
    EXPECT_EQ(g.model.GalleryList().back(), "0" + snap);
    const int at = g.cache.IndexOf(snap);
    ASSERT_EQ(at, g.cache.count() - 1);
    EXPECT_EQ(g.cache.entry(at).fileSize, 0);
    EXPECT_EQ(g.cache.entry(at).thumbWidth, 80);
    EXPECT_EQ(g.rescan().decoded, 1)
        << "size and time 0: the next rescan rebuilds it from the file";

    // Overwritten picture: same entry, new thumbnail.
    const int index = g.model.ReplaceItemThumbnail(g.cache, pic("Picture0001.jpg"), thumb);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(thumbnailFromRecord(g.cache.entry(g.cache.IndexOf(pic("Picture0001.jpg")))), thumb);
    EXPECT_EQ(g.model.count(), 3);
    EXPECT_EQ(scrollToShow(index, 7), 0);
    EXPECT_EQ(scrollToShow(9, 7), 3);
    // A file on disk but not in the strip: nothing changes.
    EXPECT_EQ(g.model.ReplaceItemThumbnail(g.cache, pic("Picture0042.jpg"), thumb), -1);
    EXPECT_EQ(g.cache.count(), 3);
}

TEST(GalleryModel, DeleteSelectedKeepsWhatCannotBeDeleted) {
    writePictures(1, 4);
    Gallery g;
    g.rescan();
    // An entry whose "file" is a folder with something in it cannot be deleted, even by root.
    const std::string stuck = pic("Picture0005.jpg");
    std::filesystem::create_directories(stuck + "/inside");
    g.model.appendEntry(stuck);
    g.model.click(0, false, false);
    g.model.click(2, false, true);
    g.model.click(4, false, true);
    ASSERT_EQ(g.model.selectedCount(), 3);

    int messages = 0;
    const auto failed = g.model.DeleteSelected(g.cache, [&](const std::string&) { ++messages; });
    EXPECT_EQ(messages, 1);
    ASSERT_EQ(failed.size(), 1U);
    EXPECT_EQ(failed[0], stuck);
    EXPECT_EQ(paths(g.model),
              (std::vector<std::string>{pic("Picture0002.jpg"), pic("Picture0004.jpg"), stuck}));
    EXPECT_TRUE(g.model.IsItemSelected(2));
    EXPECT_EQ(g.model.selectedCount(), 1);
    EXPECT_FALSE(g.model.deleteEnabled());
    EXPECT_EQ(g.model.focusIndex(), -1);
    EXPECT_FALSE(testenv::fileExists(pic("Picture0001.jpg")));
    EXPECT_FALSE(testenv::fileExists(pic("Picture0003.jpg")));
    EXPECT_EQ(g.cache.IndexOf(pic("Picture0001.jpg")), -1);
    EXPECT_EQ(g.cache.count(), 2);
}

TEST(GalleryModel, LongAndNonUtf8PathsAreListedDrawnAndDeleted) {
    // A folder whose name is not UTF-8, deep enough that its paths exceed 259 bytes.
    std::string folder = testenv::picturesDir() + "/\xE9t\xE9 \xFF";
    while (folder.size() < 280) {
        folder += "/deeper-folder-name";
    }
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(gallerytest::writePicture(folder + "/Picture0001.jpg", 64, 48, Qt::red));
    ASSERT_TRUE(gallerytest::writePicture(folder + "/Picture0002.jpg", 64, 48, Qt::red));
    const std::string odd = folder + "/Picture\xE9\xFF\xFE\xFD.jpg";  // four bytes, no characters
    ASSERT_TRUE(gallerytest::writePicture(odd, 64, 48, Qt::red));

    ImageCache cache;
    GalleryModel model;
    RescanStats s = model.RescanGallery(cache, folder, "", kThumb, fakeClips());
    ASSERT_EQ(model.count(), 3) << "a name that is not UTF-8 matches the picture pattern";
    const std::string first(model.pathAt(0));
    EXPECT_GT(first.size(), ImageCacheEntry::kMaxPathLength);
    const int at = cache.IndexOf(first);
    ASSERT_GE(at, 0) << "drawn from the cache like any other entry";
    EXPECT_TRUE(gallerytest::near(thumbnailFromRecord(cache.entry(at)).pixelColor(40, 30),
                                  QColor(Qt::red)));
    EXPECT_FALSE(cache.persistable(at));
    EXPECT_EQ(model.RescanGallery(cache, folder, "", kThumb, fakeClips()).decoded, 0);
    EXPECT_EQ(s.decoded, model.count());

    // Not written to the cache file; rebuilt after the next start.
    ASSERT_TRUE(cache.SaveToFile(testenv::tempDir() + "/Peekbox.icf"));
    ImageCache reloaded;
    ASSERT_TRUE(reloaded.LoadFromFile(testenv::tempDir() + "/Peekbox.icf"));
    EXPECT_EQ(reloaded.count(), 0);

    model.click(0, false, false);
    model.click(model.count() - 1, false, true);
    EXPECT_TRUE(model.DeleteSelected(cache).empty());
    EXPECT_EQ(model.count(), 1);
    EXPECT_FALSE(testenv::fileExists(first));
    EXPECT_FALSE(testenv::fileExists(odd))
        << "sorted last, the odd name was the entry deleted with the first";
}

TEST(GalleryModel, BrandedRescanKeepsDecodablePicturesOnly) {
    writePictures(1, 3);
    testenv::writeFile(pic("Picture0002.jpg"), "broken");
    testenv::writeFile(pic("Movie0001.avi"), "good");
    GalleryModel m;
    std::vector<QImage> images;
    int pumped = 0;
    m.RescanPicturesOnly(images, testenv::picturesDir(), [&] { ++pumped; });
    EXPECT_EQ(paths(m), (std::vector<std::string>{pic("Picture0001.jpg"), pic("Picture0003.jpg")}));
    ASSERT_EQ(images.size(), 2U);
    EXPECT_EQ(images[0].size(), QSize(80, 60));
    EXPECT_EQ(pumped, 3);

    m.click(1, false, false);
    ASSERT_TRUE(gallerytest::writePicture(pic("Picture0002.jpg"), 64, 48));
    m.RescanPicturesOnly(images, testenv::picturesDir());
    EXPECT_EQ(images.size(), 3U);
    EXPECT_TRUE(m.IsItemSelected(2));
    EXPECT_EQ(m.focusIndex(), 2);
    EXPECT_EQ(m.indexOfPath(pic("Picture0002.jpg")), 1);
}

namespace {

size_t threadsOfThisProcess() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                             std::filesystem::directory_iterator()));
}

// The thumbnail a good picture gets from the one-picture decoder, or a black one.
QImage expectedThumbnail(const std::string& path, bool decodable) {
    QImage thumb;
    const auto picture = decodeJpegForThumbnail(path, kThumb);
    EXPECT_EQ(picture.has_value(), decodable) << path;
    MakeThumbnail(picture.value_or(blackBitmap(kThumb)), thumb, false, kThumb);
    return thumb;
}

}  // namespace

// Four workers (more than the cores here, so that files finish out of order) against one that
// takes a file at a time, from the same stale cache: the same list, figures, cache file and
// branded thumbnails; and no thread outlives a rescan.
TEST(ParallelRescan, GivesWhatOneFileAtATimeGives) {
    // Large and small pictures in distinct colours; every third one truncated (the codec fails
    // mid-picture, and the worker's decoder goes on to the next file) or empty.
    const std::string whole = testenv::tempDir() + "/whole.jpg";
    ASSERT_TRUE(gallerytest::writePicture(whole, 1280, 800));
    const std::string bytes = testenv::readFile(whole);
    std::map<std::string, bool> decodable;
    auto write = [&](int from, int to) {
        for (int i = from; i <= to; ++i) {
            const std::string path = pic("Picture" + std::to_string(1000 + i) + ".jpg");
            if (i % 6 == 2) {
                testenv::writeFile(path, bytes.substr(0, bytes.size() / 2));
            } else if (i % 6 == 4) {
                testenv::writeFile(path, "");
            } else {
                ASSERT_TRUE(gallerytest::writePicture(path, i % 2 != 0 ? 1280 : 64,
                                                      i % 2 != 0 ? 800 : 48,
                                                      QColor::fromHsv(i * 19, 220, 200)));
            }
            decodable[path] = i % 6 != 2 && i % 6 != 4;
        }
    };
    write(1, 6);
    testenv::writeFile(vid("Movie0001.avi"), "good clip");
    testenv::writeFile(vid("Movie0002.avi"), "no frame");
    // The cache knows the first pictures; then files change, vanish and arrive.
    {
        Gallery seed;
        seed.rescan();
        ASSERT_TRUE(seed.cache.SaveToFile(testenv::tempDir() + "/seed.icf"));
    }
    ASSERT_TRUE(gallerytest::writePicture(pic("Picture1001.jpg"), 640, 480, Qt::green));
    testenv::writeFile(pic("Picture1003.jpg"), "broken now");
    decodable[pic("Picture1003.jpg")] = false;
    std::filesystem::remove(pic("Picture1005.jpg"));
    decodable.erase(pic("Picture1005.jpg"));
    write(7, 18);

    const size_t threadsBefore = threadsOfThisProcess();
    struct Run {
        RescanStats stats;
        std::vector<std::string> list;
        std::string cacheFile;
        std::vector<QImage> branded;
        std::vector<std::string> brandedList;
        int pumped = 0;
    };
    auto run = [&](int threads) {
        Run r;
        Gallery g;
        EXPECT_TRUE(g.cache.LoadFromFile(testenv::tempDir() + "/seed.icf"));
        ThumbnailSources sources = fakeClips();
        sources.threads = threads;
        r.stats = g.model.RescanGallery(g.cache, testenv::picturesDir(), testenv::videosDir(),
                                        kThumb, sources);
        r.list = g.model.GalleryList();
        for (int i = 0; i < g.cache.count(); ++i) {
            const auto it = decodable.find(g.cache.pathOf(i));
            if (it != decodable.end()) {
                EXPECT_TRUE(thumbnailFromRecord(g.cache.entry(i)) ==
                            expectedThumbnail(it->first, it->second))
                    << it->first << " with " << threads << " threads";
            }
        }
        r.cacheFile = testenv::tempDir() + "/threads" + std::to_string(threads) + ".icf";
        EXPECT_TRUE(g.cache.SaveToFile(r.cacheFile));
        GalleryModel branded;
        branded.RescanPicturesOnly(
            r.branded, testenv::picturesDir(), [&] { ++r.pumped; }, sources);
        r.brandedList = branded.GalleryList();
        return r;
    };
    const Run one = run(1);
    const Run four = run(4);

    EXPECT_EQ(one.stats.pictures, 17);
    EXPECT_EQ(one.stats.decoded, 2 + 12);  // the changed, the broken and the new
    EXPECT_EQ(one.stats.leftOut, 1);       // the clip without a frame
    EXPECT_EQ(one.list.size(), 17U + 1U);
    for (const Run* r : {&one, &four}) {
        EXPECT_EQ(r->pumped, 17);
        EXPECT_EQ(r->brandedList.size(), 10U) << "undecodable and empty pictures are left out";
    }
    EXPECT_EQ(four.stats.pictures, one.stats.pictures);
    EXPECT_EQ(four.stats.clips, one.stats.clips);
    EXPECT_EQ(four.stats.decoded, one.stats.decoded);
    EXPECT_EQ(four.stats.leftOut, one.stats.leftOut);
    EXPECT_EQ(four.list, one.list);
    EXPECT_TRUE(testenv::readFile(four.cacheFile) == testenv::readFile(one.cacheFile))
        << "the cache records differ";
    EXPECT_EQ(four.brandedList, one.brandedList);
    EXPECT_TRUE(four.branded == one.branded) << "the branded thumbnails differ";

    // Joined threads leave the process's task list a moment after the join returns.
    EXPECT_TRUE(QTest::qWaitFor([&] { return threadsOfThisProcess() <= threadsBefore; }, 5000))
        << threadsOfThisProcess() << " threads, " << threadsBefore << " before";
}

TEST(AutoLock, TakesAndReleasesTheBusyFlagAndNeverHangs) {
    platform::setSleepScale(0);
    int32_t busy = 0;
    {
        AutoLock lock(busy);
        EXPECT_TRUE(lock.owns());
        EXPECT_EQ(busy, 1);
        const uint64_t slept = platform::sleptMsTotal();
        {
            // A caller that did not test the flag: bounded wait, then no ownership.
            AutoLock nested(busy);
            EXPECT_FALSE(nested.owns());
            EXPECT_EQ(busy, 1);
        }
        EXPECT_EQ(platform::sleptMsTotal() - slept,
                  uint64_t{AutoLock::kWaitMs} * AutoLock::kMaxWaitRounds);
        EXPECT_EQ(busy, 1);
    }
    EXPECT_EQ(busy, 0);
    platform::setSleepScale(1);
}
