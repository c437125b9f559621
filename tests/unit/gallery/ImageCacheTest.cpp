// ImageCache: lookups, list operations and the cache file, including hostile files.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/gallery/CacheLocation.h"
#include "app/gallery/GalleryModel.h"
#include "app/gallery/ImageCache.h"
#include "support/TestEnvironment.h"

using gallery::ImageCache;
using gallery::ImageCacheEntry;

namespace {

std::unique_ptr<ImageCacheEntry> record(const std::string& path, int w = 80, int h = 60,
                                        uint8_t fill = 7) {
    auto r = std::make_unique<ImageCacheEntry>();
    ImageCache::setRecordPath(*r, path);
    r->fileSize = static_cast<int32_t>(path.size());
    r->writeTime = {0x01234567U, 0x01D9ABCDU};
    r->thumbWidth = w;
    r->thumbHeight = h;
    std::memset(r->pixels, fill, sizeof r->pixels);
    r->useCount = 42;
    return r;
}

std::string bytesOf(const void* p, size_t n) {
    return std::string(static_cast<const char*>(p), n);
}

// A cache file by hand: mark, count and raw records.
std::string cacheFile(int32_t mark, int32_t count,
                      const std::vector<const ImageCacheEntry*>& records) {
    std::string out = bytesOf(&mark, 4) + bytesOf(&count, 4);
    for (const ImageCacheEntry* r : records) {
        out += bytesOf(r, sizeof *r);
    }
    return out;
}

std::string cachePath() {
    return testenv::tempDir() + "/Peekbox.icf";
}

size_t filesIn(const std::string& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) {
        ++n;
    }
    return n;
}

}  // namespace

TEST(ImageCache, RoundTripOrdersByPathWithUseCountOne) {
    ImageCache cache;
    cache.Add(*record("/p/Picture0003.jpg", 80, 60, 3));
    cache.Add(*record("/p/Picture0001.jpg", 96, 60, 1));
    cache.Add(*record("/p/B.jpg", 80, 60, 2));
    ASSERT_TRUE(cache.SaveToFile(cachePath()));
    EXPECT_EQ(std::filesystem::file_size(cachePath()), 8 + 3 * sizeof(ImageCacheEntry));

    ImageCache loaded;
    ASSERT_TRUE(loaded.LoadFromFile(cachePath()));
    ASSERT_EQ(loaded.count(), 3);
    EXPECT_EQ(loaded.pathOf(0), "/p/B.jpg");
    EXPECT_EQ(loaded.pathOf(1), "/p/Picture0001.jpg");
    EXPECT_EQ(loaded.pathOf(2), "/p/Picture0003.jpg");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.entry(i).useCount, 1);
    }
    auto expected = record("/p/Picture0001.jpg", 96, 60, 1);
    expected->useCount = 1;
    EXPECT_EQ(bytesOf(&loaded.entry(1), sizeof(ImageCacheEntry)),
              bytesOf(expected.get(), sizeof(ImageCacheEntry)));
    EXPECT_EQ(filesIn(testenv::tempDir()), 1U) << "no temporary file is left beside the cache";
}

TEST(ImageCache, WrongMarkEmptiesAndMissingFileKeeps) {
    ImageCache cache;
    cache.Add(*record("/p/a.jpg"));
    EXPECT_FALSE(cache.LoadFromFile(testenv::tempDir() + "/missing.icf"));
    EXPECT_EQ(cache.count(), 1) << "an unreadable file leaves the cache as it was";

    auto r = record("/p/b.jpg");
    testenv::writeFile(cachePath(), cacheFile(999, 1, {r.get()}));
    EXPECT_FALSE(cache.LoadFromFile(cachePath()));
    EXPECT_EQ(cache.count(), 0);

    testenv::writeFile(cachePath(), "");
    EXPECT_FALSE(cache.LoadFromFile(cachePath()));
    EXPECT_EQ(cache.count(), 0);
}

TEST(ImageCache, LyingCountsKeepWhatWasReadWhole) {
    auto a = record("/p/a.jpg");
    auto b = record("/p/b.jpg");
    ImageCache cache;

    testenv::writeFile(cachePath(), cacheFile(1000, 5, {a.get(), b.get()}));
    EXPECT_TRUE(cache.LoadFromFile(cachePath()));
    EXPECT_EQ(cache.count(), 2);

    // A count of 2^31 - 1 and a second record cut short.
    std::string truncated = cacheFile(1000, 0x7FFFFFFF, {a.get(), b.get()});
    truncated.resize(truncated.size() - 100);
    testenv::writeFile(cachePath(), truncated);
    EXPECT_TRUE(cache.LoadFromFile(cachePath()));
    ASSERT_EQ(cache.count(), 1);
    EXPECT_EQ(cache.pathOf(0), "/p/a.jpg");

    testenv::writeFile(cachePath(), cacheFile(1000, -3, {a.get()}));
    EXPECT_TRUE(cache.LoadFromFile(cachePath()));
    EXPECT_EQ(cache.count(), 0);

    testenv::writeFile(cachePath(), cacheFile(1000, 1, {a.get()}) + "trailing junk");
    EXPECT_TRUE(cache.LoadFromFile(cachePath()));
    EXPECT_EQ(cache.count(), 1);
}

TEST(ImageCache, RecordsThatDoNotFitTheirBlockAreSkipped) {
    auto good = record("/p/good.jpg");
    auto tooBig = record("/p/big.jpg", 100, 76);         // 7,600 pixels > 7,500
    auto negative = record("/p/neg.jpg", -80, -60);      // product is positive
    auto overflow = record("/p/ovf.jpg", 65536, 65536);  // product wraps to 0 in 32 bits
    auto unterminated = record("/p/x.jpg");
    std::memset(unterminated->path, 'x', sizeof unterminated->path);
    auto edge = record("/p/edge.jpg", 100, 75);  // exactly 22,500 bytes
    testenv::writeFile(cachePath(), cacheFile(1000, 6,
                                              {tooBig.get(), negative.get(), overflow.get(),
                                               unterminated.get(), good.get(), edge.get()}));
    ImageCache cache;
    EXPECT_TRUE(cache.LoadFromFile(cachePath()));
    ASSERT_EQ(cache.count(), 2);
    EXPECT_EQ(cache.pathOf(0), "/p/edge.jpg");
    EXPECT_EQ(cache.pathOf(1), "/p/good.jpg");
}

TEST(ImageCache, OnlyRecordsOfFilesTheFoldersHoldNowAreLoaded) {
    const std::string pictures = testenv::picturesDir() + "/";
    const std::string videos = testenv::videosDir() + "/";
    const std::string other = testenv::root() + "/other/";
    testenv::clearDir(pictures);
    testenv::clearDir(videos);
    std::filesystem::create_directories(other);
    std::filesystem::create_directories(pictures + "sub");
    std::vector<std::unique_ptr<ImageCacheEntry>> records;
    for (int n = 0; n < 150; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "Picture%04d.jpg", n);
        records.push_back(record(pictures + name));
        std::snprintf(name, sizeof name, "Movie%04d.avi", n);
        records.push_back(record(videos + name));
    }
    for (const std::string& refused : {
             other + "Picture0001.jpg",         // exists, in another folder
             pictures + "sub/Picture0001.jpg",  // below the folder
             videos + "Picture0001.jpg",        // a picture's name in the video folder
             pictures + "Picture.jpg",          // not a name the gallery gives
         }) {
        records.push_back(record(refused));
        testenv::writeFile(refused, "x");
    }
    for (const std::string& kept :
         {pictures + "Picture0003.jpg", pictures + "Picture0149.jpg", videos + "Movie0007.avi"}) {
        testenv::writeFile(kept, "x");
    }
    std::filesystem::create_directory(pictures + "Picture0005.jpg");  // not a regular file
    std::vector<const ImageCacheEntry*> raw;
    for (const auto& r : records) {
        raw.push_back(r.get());
    }
    testenv::writeFile(cachePath(), cacheFile(1000, static_cast<int32_t>(raw.size()), raw));

    // Folders named with and without their final slash.
    for (const std::string& cut : {std::string(), std::string("/")}) {
        const std::string p = pictures.substr(0, pictures.size() - 1) + cut;
        const std::string v = videos.substr(0, videos.size() - 1) + cut;
        ImageCache cache;
        ASSERT_TRUE(cache.LoadFromFile(cachePath(), [&](std::string_view path) {
            return gallery::GalleryModel::WouldList(path, p, v);
        }));
        ASSERT_EQ(cache.count(), 3);
        EXPECT_EQ(cache.pathOf(0), pictures + "Picture0003.jpg");
        EXPECT_EQ(cache.pathOf(1), pictures + "Picture0149.jpg");
        EXPECT_EQ(cache.pathOf(2), videos + "Movie0007.avi");
        auto expected = record(videos + "Movie0007.avi");
        expected->useCount = 1;
        EXPECT_EQ(bytesOf(&cache.entry(2), sizeof(ImageCacheEntry)),
                  bytesOf(expected.get(), sizeof(ImageCacheEntry)));
    }
    testenv::clearDir(pictures);
    testenv::clearDir(videos);
    std::filesystem::remove_all(other);
    ::unlink(cachePath().c_str());
}

TEST(ImageCache, LinksAndSpecialFilesAreNotFollowed) {
    auto a = record("/p/a.jpg");
    const std::string real = testenv::tempDir() + "/real.icf";
    testenv::writeFile(real, cacheFile(1000, 1, {a.get()}));
    const std::string link = testenv::tempDir() + "/link.icf";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ImageCache cache;
    EXPECT_FALSE(cache.LoadFromFile(link));

    // Saving over the link replaces the link; the file it pointed at is untouched.
    const std::string before = testenv::readFile(real);
    cache.Add(*record("/p/z.jpg"));
    ASSERT_TRUE(cache.SaveToFile(link));
    EXPECT_EQ(testenv::readFile(real), before);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));

    const std::string fifo = testenv::tempDir() + "/fifo.icf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(cache.LoadFromFile(fifo)) << "must not block on a FIFO";
    EXPECT_FALSE(cache.SaveToFile(fifo));
}

TEST(ImageCache, OnlyOurOwnPrivateFileOfACachesLengthIsRead) {
    auto a = record("/p/a.jpg");
    const std::string file = cacheFile(1000, 1, {a.get()});
    struct Case {
        const char* what;
        uid_t owner;
        mode_t mode;
        uintmax_t length;  // 0: as written
        bool read;
    };
    const Case cases[] = {
        {"ours, private", ::geteuid(), 0600, 0, true},
        {"ours, readable by others", ::geteuid(), 0644, 0, true},
        {"another user's", 65534, 0600, 0, false},
        {"writable by others", ::geteuid(), 0666, 0, false},
        {"writable by the group", ::geteuid(), 0620, 0, false},
        {"as long as a cache can be", ::geteuid(), 0600, ImageCache::kMaxFileBytes, true},
        {"longer than a cache can be", ::geteuid(), 0600, ImageCache::kMaxFileBytes + 1, false},
    };
    for (const Case& c : cases) {
        ::unlink(cachePath().c_str());
        testenv::writeFile(cachePath(), file);
        ASSERT_EQ(::chown(cachePath().c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(::chmod(cachePath().c_str(), c.mode), 0);
        if (c.length != 0) {
            std::filesystem::resize_file(cachePath(), c.length);  // sparse: no disk, no time
        }
        ImageCache cache;
        cache.Add(*record("/p/old.jpg"));
        EXPECT_EQ(cache.LoadFromFile(cachePath()), c.read) << c.what;
        EXPECT_EQ(cache.count(), c.read ? 1 : 0) << c.what;
    }
    ::unlink(cachePath().c_str());
}

TEST(ImageCache, ForeignNameInTheSharedFolderSendsTheFileToOurOwn) {
    const std::string shared = testenv::tempDir() + "/shared/";
    const std::string own = testenv::root() + "/own-cache";
    std::filesystem::create_directories(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string name = "Peekbox.icf";
    const std::string there = shared + name;
    EXPECT_EQ(gallery::cacheFileLocation(shared, own, name), there) << "nothing at the name";

    // Ours, even if others may write it: it is ignored when read and replaced when saved.
    testenv::writeFile(there, "forged");
    ASSERT_EQ(::chmod(there.c_str(), 0666), 0);
    EXPECT_EQ(gallery::cacheFileLocation(shared, own, name), there);
    ImageCache cache;
    cache.Add(*record("/p/a.jpg"));
    ASSERT_TRUE(cache.SaveToFile(there));
    struct stat st {};
    ASSERT_EQ(::stat(there.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600U);

    ASSERT_EQ(::chown(there.c_str(), 65534, 65534), 0);
    EXPECT_EQ(gallery::cacheFileLocation(shared, own, name), own + "/" + name);
    EXPECT_TRUE(std::filesystem::is_directory(own));
    ::unlink(there.c_str());
    ASSERT_EQ(::symlink("/nowhere", there.c_str()), 0);
    ASSERT_EQ(::lchown(there.c_str(), 65534, 65534), 0);
    EXPECT_EQ(gallery::cacheFileLocation(shared, own, name), own + "/" + name) << "foreign link";
    ::unlink(there.c_str());
    std::filesystem::create_directory(there);
    EXPECT_EQ(gallery::cacheFileLocation(shared, own, name), own + "/" + name) << "a folder";
    std::filesystem::remove_all(shared);
}

TEST(ImageCache, FailedSaveKeepsTheOldFile) {
    ImageCache cache;
    cache.Add(*record("/p/a.jpg"));
    ASSERT_TRUE(cache.SaveToFile(cachePath()));
    const std::string before = testenv::readFile(cachePath());
    cache.Add(*record("/p/b.jpg"));
    cache.Add(*record("/p/c.jpg"));

    EXPECT_FALSE(cache.SaveToFile(testenv::tempDir() + "/no/such/folder/Peekbox.icf"));

    // A file-size limit below the new file's size: the write fails part-way.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 30000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = cache.SaveToFile(cachePath());
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(testenv::readFile(cachePath()), before);
    EXPECT_EQ(filesIn(testenv::tempDir()), 1U);
}

TEST(ImageCache, IndexOfIsExactFirstMatchAndCountsHits) {
    ImageCache cache;
    cache.Add(*record("/p/Picture0001.jpg", 80, 60, 1));
    cache.Add(*record("/p/Picture0002.jpg", 80, 60, 2));
    cache.Add(*record("/p/Picture0001.jpg", 80, 60, 3));  // duplicate: lookups find the first
    EXPECT_EQ(cache.IndexOf("/p/picture0001.jpg"), -1);
    EXPECT_EQ(cache.IndexOf("/p/Picture0001.JPG"), -1);
    EXPECT_EQ(cache.IndexOf("/p/Picture0001.jp"), -1);
    EXPECT_EQ(cache.IndexOf("/p/Picture0001.jpg"), 0);
    EXPECT_EQ(cache.IndexOf("/p/Picture0001.jpg"), 0);
    EXPECT_EQ(cache.entry(0).useCount, 3);
    EXPECT_EQ(cache.entry(2).useCount, 1);

    // The index follows every change that moves entries.
    cache.Insert(0, *record("/p/Picture0002.jpg", 80, 60, 9));
    EXPECT_EQ(cache.IndexOf("/p/Picture0002.jpg"), 0);
    EXPECT_EQ(cache.IndexOf("/p/Picture0001.jpg"), 1);
    cache.Delete(1);
    EXPECT_EQ(cache.IndexOf("/p/Picture0001.jpg"), 2);
    EXPECT_EQ(cache.entry(2).pixels[0], 3);
    cache.Replace(2, *record("/p/Other.jpg"));
    EXPECT_EQ(cache.IndexOf("/p/Picture0001.jpg"), -1);
    EXPECT_EQ(cache.IndexOf("/p/Other.jpg"), 2);
    EXPECT_EQ(cache.entry(2).useCount, 43) << "Replace copies the record's useCount";
    cache.SortByPath();
    EXPECT_EQ(cache.IndexOf("/p/Other.jpg"), 0);
    cache.resetUseCounts();
    EXPECT_EQ(cache.entry(0).useCount, 0);
}

TEST(ImageCache, PositionsOutsideTheListAreIgnored) {
    ImageCache cache;
    cache.Insert(-1, *record("/p/a.jpg"));
    cache.Insert(1, *record("/p/a.jpg"));
    EXPECT_EQ(cache.count(), 0);
    cache.Insert(0, *record("/p/a.jpg"));
    cache.Replace(1, *record("/p/b.jpg"));
    cache.Replace(-1, *record("/p/b.jpg"));
    cache.Delete(1);
    cache.Delete(-1);
    ASSERT_EQ(cache.count(), 1);
    EXPECT_EQ(cache.pathOf(0), "/p/a.jpg");
}

TEST(ImageCache, SortIsByUnsignedBytes) {
    ImageCache cache;
    cache.Add(*record("/p/\xC3\xA9.jpg"));  // UTF-8 e-acute: bytes above 0x7F sort last
    cache.Add(*record("/p/b.jpg"));
    cache.Add(*record("/p/B.jpg"));
    cache.Add(*record("/p/\xFF\xFE.jpg"));  // not UTF-8 at all
    cache.SortByPath();
    EXPECT_EQ(cache.pathOf(0), "/p/B.jpg");
    EXPECT_EQ(cache.pathOf(1), "/p/b.jpg");
    EXPECT_EQ(cache.pathOf(2), "/p/\xC3\xA9.jpg");
    EXPECT_EQ(cache.pathOf(3), "/p/\xFF\xFE.jpg");
}

TEST(ImageCache, PathsTooLongForTheRecordLiveInMemoryOnly) {
    const std::string longPath = "/p/" + std::string(300, 'd') + "/Picture0001.jpg";
    const std::string fits = "/p/" + std::string(256, 'e');  // 259 characters
    ImageCache cache;
    auto r = record("");
    cache.Add(*r, longPath);
    cache.Add(*record(fits));
    EXPECT_EQ(cache.IndexOf(longPath), 0);
    EXPECT_EQ(cache.IndexOf(longPath.substr(0, 259)), -1);
    EXPECT_FALSE(cache.persistable(0));
    EXPECT_TRUE(cache.persistable(1));
    EXPECT_EQ(cache.entry(0).path[0], '\0');

    ASSERT_TRUE(cache.SaveToFile(cachePath()));
    ImageCache loaded;
    ASSERT_TRUE(loaded.LoadFromFile(cachePath()));
    ASSERT_EQ(loaded.count(), 1);
    EXPECT_EQ(loaded.pathOf(0), fits);
}
