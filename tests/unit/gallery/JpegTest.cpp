// JPEG files: the writer with EXIF checked by exiftool, failed writes, and bounded decoding of
// good and hostile files.
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "GalleryTestUtil.h"
#include "app/gallery/JpegDecoder.h"
#include "app/gallery/JpegWriter.h"
#include "support/HostileJpeg.h"
#include "support/TestEnvironment.h"

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (its header ships with clang only).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
#define PEEKBOX_HAVE_MALLOC_HOOKS 1
#endif

using namespace gallerytest;

namespace {

const gallery::LocalTime kMarch7{2009, 3, 7, 9, 5, 3};

std::string dir() {
    return testenv::picturesDir();
}

size_t entriesIn(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

#ifdef PEEKBOX_HAVE_MALLOC_HOOKS
size_t g_largestAllocation = 0;
void onMalloc(const volatile void*, size_t size) {
    if (size > g_largestAllocation) {
        g_largestAllocation = size;
    }
}
void onFree(const volatile void*) {}
#endif

// The largest single allocation while `fn` runs (0 where the hooks are not available).
template <typename Fn>
size_t largestAllocation(Fn fn) {
#ifdef PEEKBOX_HAVE_MALLOC_HOOKS
    g_largestAllocation = 0;
    __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
    fn();
    __sanitizer_install_malloc_and_free_hooks(nullptr, nullptr);
    return g_largestAllocation;
#else
    fn();
    return 0;
#endif
}

// Rewrites the frame header's height and width of a baseline (SOF0) or progressive (SOF2) file.
std::string withDimensions(std::string jpeg, uint16_t w, uint16_t h, bool progressive = false) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (static_cast<uint8_t>(jpeg[i]) == 0xFF && (static_cast<uint8_t>(jpeg[i + 1]) == 0xC0)) {
            if (progressive) {
                jpeg[i + 1] = static_cast<char>(0xC2);
            }
            jpeg[i + 5] = static_cast<char>(h >> 8);
            jpeg[i + 6] = static_cast<char>(h & 0xFF);
            jpeg[i + 7] = static_cast<char>(w >> 8);
            jpeg[i + 8] = static_cast<char>(w & 0xFF);
            return jpeg;
        }
    }
    return {};
}

}  // namespace

TEST(JpegWriter, ExifArtistAndLocalCaptureTimeReadByExiftool) {
    const std::string path = dir() + "/Picture0001.jpg";
    ASSERT_TRUE(gallery::SaveJpegWithExif(picture(640, 480, Qt::blue), path, "Peekbox",
                                          [] { return kMarch7; }));
    EXPECT_EQ(run("exiftool -s3 -Artist -DateTimeOriginal -ImageSize " + quoted(path)),
              "Peekbox\n2009:03:07 09:05:03\n640x480\n");
    EXPECT_EQ(run("exiftool -s3 -validate -warning -a " + quoted(path)), "OK\n");
    EXPECT_EQ(run("exiftool -s3 -JPEGQualityEstimate " + quoted(path)), "75\n");

    ASSERT_TRUE(gallery::SaveJpegWithExif(picture(64, 48, Qt::blue), path, "Norvale Glimmer", [] {
        return gallery::LocalTime{2026, 12, 31, 23, 59, 59};
    }));
    EXPECT_EQ(run("exiftool -s3 -Artist -DateTimeOriginal " + quoted(path)),
              "Norvale Glimmer\n2026:12:31 23:59:59\n");
}

TEST(JpegWriter, DateTimeTextAlwaysHasItsShape) {
    EXPECT_EQ(gallery::formatExifDateTime(kMarch7), "2009:03:07 09:05:03");
    EXPECT_EQ(gallery::formatExifDateTime({123456, -1, 100, 7, 8, 9}), "9999:00:99 07:08:09");
    const gallery::LocalTime now = gallery::localNow();
    EXPECT_GE(now.year, 2020);
    EXPECT_EQ(gallery::formatExifDateTime(now).size(), 19U);
}

TEST(JpegWriter, PlainWriterCarriesNoExifAndKeepsColours) {
    const std::string path = dir() + "/plain.jpg";
    ASSERT_TRUE(gallery::SaveJpeg(picture(320, 240, QColor(220, 30, 30), Qt::green), path));
    EXPECT_EQ(run("exiftool -s3 -Artist -DateTimeOriginal -EXIF:all " + quoted(path)), "");
    // Channel order survives the round trip: red stays red, the green corner stays top-left.
    const QImage back(QString::fromStdString(path));
    ASSERT_EQ(back.size(), QSize(320, 240));
    EXPECT_TRUE(near(back.pixelColor(200, 200), QColor(220, 30, 30)));
    EXPECT_TRUE(near(back.pixelColor(20, 20), Qt::green));
}

TEST(JpegWriter, FailedWritesReportFailureAndLeaveNoFile) {
    const QImage image = picture(64, 48, Qt::red);
    EXPECT_FALSE(gallery::SaveJpegWithExif(image, dir() + "/missing/Picture0001.jpg", "Peekbox"));
    EXPECT_FALSE(gallery::SaveJpegWithExif(image, "/dev/full", "Peekbox"));
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "a device at the name is never replaced";
    EXPECT_FALSE(gallery::SaveJpegWithExif(QImage(), dir() + "/empty.jpg", "Peekbox"));
    EXPECT_FALSE(gallery::SaveJpeg(QImage(0, 10, QImage::Format_BGR888), dir() + "/empty.jpg"));
    EXPECT_FALSE(testenv::fileExists(dir() + "/empty.jpg"));

    // A failed overwrite keeps the old picture whole and leaves no temporary file.
    const std::string folder = dir() + "/fail";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/Picture0002.jpg";
    ASSERT_TRUE(gallery::SaveJpegWithExif(image, path, "Peekbox"));
    const std::string before = testenv::readFile(path);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 2000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool overwritten =
        gallery::SaveJpegWithExif(picture(640, 480, Qt::blue), path, "Peekbox");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(overwritten);
    EXPECT_EQ(testenv::readFile(path), before);
    EXPECT_EQ(entriesIn(folder), 1U);
}

TEST(JpegWriter, NamesThatAreNotUtf8) {
    const std::string path = dir() + "/Picture\xE9\xFF.jpg";
    ASSERT_TRUE(gallery::SaveJpegWithExif(picture(160, 100, Qt::red), path, "Peekbox"));
    const auto decoded = gallery::decodeJpegForThumbnail(path, {80, 60});
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->size(), QSize(100, 63));  // 5/8: the first scale with both sides covered
}

TEST(JpegDecoder, SmallestDctScaleThatCoversTheThumbnail) {
    const std::string path = dir() + "/wide.jpg";
    ASSERT_TRUE(writePicture(path, 1280, 800));
    auto d = gallery::decodeJpegForThumbnail(path, {80, 60});
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->size(), QSize(160, 100));
    EXPECT_EQ(d->format(), QImage::Format_BGR888);
    EXPECT_TRUE(near(d->pixelColor(120, 80), QColor(200, 40, 30)));
    EXPECT_TRUE(near(d->pixelColor(10, 10), Qt::white));

    d = gallery::decodeJpegForThumbnail(path, {96, 60});
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->size(), QSize(160, 100));
    d = gallery::decodeJpegForThumbnail(path, {170, 60});
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->size(), QSize(320, 200));
    // Smaller than the thumbnail: decoded whole.
    ASSERT_TRUE(writePicture(path, 40, 30));
    d = gallery::decodeJpegForThumbnail(path, {80, 60});
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->size(), QSize(40, 30));
}

TEST(JpegDecoder, LargeOutputIsReducedWhileStreaming) {
    const std::string path = dir() + "/big.jpg";
    ASSERT_TRUE(writePicture(path, 4000, 3000, Qt::blue));
    gallery::JpegDecodeLimits limits;
    limits.maxOutputBytes = 64 * 1024;
    const auto d = gallery::decodeJpegForThumbnail(path, {2000, 1500}, limits);  // scale 4/8
    ASSERT_TRUE(d.has_value());
    EXPECT_LE(static_cast<size_t>(d->width()) * static_cast<size_t>(d->height()) * 3,
              limits.maxOutputBytes);
    EXPECT_NEAR(static_cast<double>(d->width()) / d->height(), 4.0 / 3.0, 0.02);
    EXPECT_TRUE(near(d->pixelColor(d->width() - 5, d->height() - 5), Qt::blue));
    EXPECT_TRUE(near(d->pixelColor(3, 3), Qt::white));
}

TEST(JpegDecoder, BrokenFilesFailCleanly) {
    const std::string good = dir() + "/good.jpg";
    ASSERT_TRUE(writePicture(good, 640, 480));
    const std::string bytes = testenv::readFile(good);

    const std::string empty = dir() + "/empty.jpg";
    testenv::writeFile(empty, "");
    const std::string text = dir() + "/text.jpg";
    testenv::writeFile(text, "this is not a picture at all");
    const std::string header = dir() + "/header.jpg";
    testenv::writeFile(header, bytes.substr(0, 2));
    const std::string truncated = dir() + "/truncated.jpg";
    testenv::writeFile(truncated, bytes.substr(0, bytes.size() / 2));
    const std::string png = dir() + "/png.jpg";
    ASSERT_TRUE(picture(64, 48, Qt::red).save(QString::fromStdString(png), "PNG"));
    std::string garbled = bytes;
    for (size_t i = garbled.size() / 3; i < garbled.size() - 2; i += 7) {
        garbled[i] = static_cast<char>(0xFF);
    }
    const std::string corrupt = dir() + "/corrupt.jpg";
    testenv::writeFile(corrupt, garbled);

    for (const std::string& path :
         {empty, text, header, truncated, png, dir() + "/missing.jpg", dir()}) {
        EXPECT_FALSE(gallery::decodeJpegForThumbnail(path, {80, 60}).has_value()) << path;
    }
    // Corrupt entropy data is not fatal to the codec; either answer is fine as long as it ends.
    (void)gallery::decodeJpegForThumbnail(corrupt, {80, 60});
}

TEST(JpegDecoder, ScansAreBoundedInNumberAndInWork) {
    // Each repeat of the small last scan is another pass over the whole picture.
    const std::string hostile = dir() + "/repeated-scans.jpg";
    testenv::writeFile(hostile, testjpeg::repeatedScans(1024, 1024, 3000));
    EXPECT_FALSE(gallery::decodeJpegForThumbnail(hostile, {80, 60}).has_value());

    // The same picture with its six scans, and the limits that it just meets.
    const std::string plain = dir() + "/progressive.jpg";
    testenv::writeFile(plain, testjpeg::progressiveGrey(1024, 1024));
    const auto d = gallery::decodeJpegForThumbnail(plain, {80, 60});
    ASSERT_TRUE(d.has_value());
    EXPECT_TRUE(near(d->pixelColor(40, 30), QColor(128, 128, 128), 2));
    gallery::JpegDecodeLimits limits;
    limits.maxScans = 6;
    limits.maxScanWork = 6 * 1024 * 1024;
    EXPECT_TRUE(gallery::decodeJpegForThumbnail(plain, {80, 60}, limits).has_value());
    limits.maxScans = 5;
    EXPECT_FALSE(gallery::decodeJpegForThumbnail(plain, {80, 60}, limits).has_value());
    limits.maxScans = 6;
    limits.maxScanWork -= 1;
    EXPECT_FALSE(gallery::decodeJpegForThumbnail(plain, {80, 60}, limits).has_value());
}

TEST(JpegDecoder, EnormousHeaderNeverAllocatesBeyondAThumbnail) {
    const std::string good = dir() + "/small.jpg";
    ASSERT_TRUE(writePicture(good, 64, 64));
    const std::string bytes = testenv::readFile(good);

    const std::string baseline = dir() + "/huge.jpg";
    testenv::writeFile(baseline, withDimensions(bytes, 65000, 65000));
    const std::string progressive = dir() + "/huge-progressive.jpg";
    testenv::writeFile(progressive, withDimensions(bytes, 60000, 60000, true));
    const std::string tooMany = dir() + "/too-many.jpg";
    testenv::writeFile(tooMany, withDimensions(bytes, 65000, 65000));

    for (const std::string& path : {baseline, progressive}) {
        const size_t largest = largestAllocation([&] {
            EXPECT_FALSE(gallery::decodeJpegForThumbnail(path, {80, 60}).has_value()) << path;
        });
        EXPECT_LT(largest, size_t{16} << 20) << path;
    }
    gallery::JpegDecodeLimits strict;
    strict.maxPixels = 1000 * 1000;
    EXPECT_FALSE(gallery::decodeJpegForThumbnail(tooMany, {80, 60}, strict).has_value());
}
