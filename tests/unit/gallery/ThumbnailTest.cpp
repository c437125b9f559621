// Thumbnail layout and makers, strip geometry, picture numbering: table-driven.
#include <string>

#include <gtest/gtest.h>

#include "GalleryTestUtil.h"
#include "app/MessageTexts.h"
#include "app/gallery/SnapshotNaming.h"
#include "app/gallery/StripGeometry.h"
#include "app/gallery/Thumbnail.h"
#include "editions/Edition.h"

using namespace gallery;

namespace {

const QColor kGrey(0x63, 0x63, 0x63);

struct LayoutCase {
    QSize thumb;
    QSize source;
    int mx, my;
    int markerX, markerY;
};

}  // namespace

TEST(Thumbnail, LayoutTable) {
    const LayoutCase cases[] = {
        {{80, 60}, {640, 480}, 1, 1, 59, 39},
        {{80, 60}, {1280, 800}, 1, 6, 59, 34},  // picture rows 6 to 53
        {{96, 60}, {1280, 800}, 1, 1, 75, 39},  // same aspect: no bars
        {{96, 60}, {640, 480}, 9, 1, 67, 39},   // trunc(96 - 80) / 2 + 1
        {{80, 60}, {480, 640}, 18, 1, 42, 39},  // portrait: trunc(80 - 45) / 2 + 1
        {{80, 60}, {1, 10000}, 40, 1, 20, 39},  // a sliver: empty picture rectangle
        {{80, 60}, {10000, 1}, 1, 30, 59, 10},
    };
    for (const LayoutCase& c : cases) {
        const ThumbnailLayout l = thumbnailLayout(c.thumb, c.source);
        EXPECT_EQ(l.mx, c.mx) << c.source.width() << "x" << c.source.height();
        EXPECT_EQ(l.my, c.my) << c.source.width() << "x" << c.source.height();
        EXPECT_EQ(l.right, c.thumb.width() - c.mx);
        EXPECT_EQ(l.bottom, c.thumb.height() - c.my);
        EXPECT_EQ(l.markerX, c.markerX);
        EXPECT_EQ(l.markerY, c.markerY);
    }
    EXPECT_EQ(thumbnailSize(0), QSize(80, 60));
    EXPECT_EQ(thumbnailSize(1), QSize(96, 60));
}

TEST(Thumbnail, WideClipFillsRowsSixToFiftyThreeWithMarker) {
    QImage thumb;
    ASSERT_TRUE(
        MakeThumbnail(gallerytest::picture(1280, 800, Qt::red, Qt::red), thumb, true, {80, 60}));
    ASSERT_EQ(thumb.size(), QSize(80, 60));
    EXPECT_EQ(thumb.format(), kThumbFormat);
    // Outline, bars, picture.
    for (int x = 0; x < 80; ++x) {
        EXPECT_EQ(thumb.pixelColor(x, 0), QColor(Qt::white));
        EXPECT_EQ(thumb.pixelColor(x, 59), QColor(Qt::white));
    }
    EXPECT_EQ(thumb.pixelColor(0, 30), QColor(Qt::white));
    EXPECT_EQ(thumb.pixelColor(79, 30), QColor(Qt::white));
    for (int y = 1; y < 6; ++y) {
        EXPECT_EQ(thumb.pixelColor(40, y), kGrey) << y;
        EXPECT_EQ(thumb.pixelColor(40, 59 - y), kGrey) << y;
    }
    EXPECT_EQ(thumb.pixelColor(1, 6), QColor(Qt::red));
    EXPECT_EQ(thumb.pixelColor(40, 53), QColor(Qt::red));
    // The marker is the film strip, opaque, with its corner at (59, 34).
    const QImage& icon = AviIcon();
    ASSERT_EQ(icon.size(), QSize(18, 18));
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 18; ++x) {
            ASSERT_EQ(thumb.pixelColor(59 + x, 34 + y), icon.pixelColor(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(thumb.pixelColor(58, 34), QColor(Qt::red));
    EXPECT_EQ(thumb.pixelColor(77, 52), QColor(Qt::red));

    QImage noMarker;
    ASSERT_TRUE(MakeThumbnail(gallerytest::picture(1280, 800, Qt::red, Qt::red), noMarker, false,
                              {80, 60}));
    EXPECT_EQ(noMarker.pixelColor(60, 35), QColor(Qt::red));
}

TEST(Thumbnail, PortraitIsCentredWithEqualBars) {
    QImage thumb;
    ASSERT_TRUE(
        MakeThumbnail(gallerytest::picture(480, 640, Qt::blue, Qt::blue), thumb, false, {80, 60}));
    int left = 0, right = 0;
    for (int x = 1; x < 79 && thumb.pixelColor(x, 30) == kGrey; ++x) {
        ++left;
    }
    for (int x = 78; x > 0 && thumb.pixelColor(x, 30) == kGrey; --x) {
        ++right;
    }
    EXPECT_EQ(left, 17);
    EXPECT_EQ(right, 17);
    EXPECT_EQ(thumb.pixelColor(18, 1), QColor(Qt::blue));
    EXPECT_EQ(thumb.pixelColor(61, 58), QColor(Qt::blue));
}

TEST(Thumbnail, DownscaleAveragesAndKeepsOrientation) {
    // 4:3 source: fills the inside; the white top-left quarter lands top-left.
    QImage thumb;
    ASSERT_TRUE(MakeThumbnail(gallerytest::picture(640, 480, Qt::black, Qt::white), thumb, false,
                              {80, 60}));
    EXPECT_EQ(thumb.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(thumb.pixelColor(70, 50), QColor(Qt::black));
    // A one-pixel checkerboard averages to mid grey rather than aliasing to one colour.
    QImage checker(160, 120, kThumbFormat);
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 160; ++x) {
            checker.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
        }
    }
    ASSERT_TRUE(MakeThumbnail(checker, thumb, false, {80, 60}));
    EXPECT_TRUE(gallerytest::near(thumb.pixelColor(40, 30), QColor(128, 128, 128), 2));
}

TEST(Thumbnail, EmptySourceIsRefusedAndTargetKept) {
    QImage target = gallerytest::picture(8, 8, Qt::green);
    const QImage before = target.copy();
    EXPECT_FALSE(MakeThumbnail(QImage(), target, false, {80, 60}));
    EXPECT_FALSE(MakeThumbnail(QImage(0, 10, kThumbFormat), target, true, {80, 60}));
    EXPECT_EQ(target, before);
    // A black stand-in (a picture that cannot be decoded) still makes a framed thumbnail.
    ASSERT_TRUE(MakeThumbnail(blackBitmap({80, 60}), target, false, {80, 60}));
    EXPECT_EQ(target.pixelColor(40, 30), QColor(Qt::black));
    EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::white));
    // Other pixel formats are accepted.
    ASSERT_TRUE(MakeThumbnail(
        gallerytest::picture(64, 48, Qt::red, Qt::red).convertToFormat(QImage::Format_RGB32),
        target, false, {80, 60}));
    EXPECT_EQ(target.pixelColor(40, 30), QColor(Qt::red));
}

TEST(Thumbnail, BrandedStretchesTheWholePicture) {
    const QImage thumb = MakeBrandedThumbnail(gallerytest::picture(1280, 800, Qt::red, Qt::red));
    ASSERT_EQ(thumb.size(), QSize(80, 60));
    EXPECT_EQ(thumb.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(thumb.pixelColor(78, 58), QColor(Qt::red));
    EXPECT_EQ(thumb.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(thumb.pixelColor(79, 59), QColor(Qt::black));
    EXPECT_TRUE(MakeBrandedThumbnail(QImage()).isNull());
}

TEST(Thumbnail, CacheRecordCarriesRowsWithoutPadding) {
    QImage thumb;
    ASSERT_TRUE(
        MakeThumbnail(gallerytest::picture(1280, 800, Qt::red, Qt::blue), thumb, true, {96, 60}));
    const ImageCacheEntry r = makeCacheRecord(thumb, "/p/Movie0001.avi", -5, 0x0123456789ABCDEFULL);
    EXPECT_EQ(r.thumbWidth, 96);
    EXPECT_EQ(r.thumbHeight, 60);
    EXPECT_STREQ(r.path, "/p/Movie0001.avi");
    EXPECT_EQ(r.fileSize, -5);
    EXPECT_EQ(r.writeTime.dwLowDateTime, 0x89ABCDEFU);
    EXPECT_EQ(r.writeTime.dwHighDateTime, 0x01234567U);
    // Row 1 starts at byte 96 * 3 with blue, green, red order.
    const QColor c = thumb.pixelColor(5, 1);
    EXPECT_EQ(r.pixels[96 * 3 + 15], c.blue());
    EXPECT_EQ(r.pixels[96 * 3 + 16], c.green());
    EXPECT_EQ(r.pixels[96 * 3 + 17], c.red());
    EXPECT_EQ(thumbnailFromRecord(r), thumb);

    ImageCacheEntry bad = r;
    bad.thumbWidth = 200;
    EXPECT_TRUE(thumbnailFromRecord(bad).isNull());
}

TEST(StripGeometry, TablesAndHitTest) {
    struct Case {
        int aspect;
        bool small;
        int w, visible, pitch, offset, frameLeft, frameRight;
    };
    const Case cases[] = {
        {0, false, 80, 7, 90, 5, 8, 92},
        {1, false, 96, 7, 108, 5, 8, 108},
        {0, true, 80, 5, 97, 11, 14, 97},
        {1, true, 96, 5, 116, 11, 14, 113},
    };
    for (const Case& c : cases) {
        const StripGeometry g = StripGeometry::forCamera(c.aspect, c.small);
        EXPECT_EQ(g.thumb.width(), c.w);
        EXPECT_EQ(g.visibleCount, c.visible);
        EXPECT_EQ(g.pitch, c.pitch);
        EXPECT_EQ(g.slotOffset, c.offset);
        EXPECT_EQ(g.frameLeft, c.frameLeft);
        EXPECT_EQ(g.frameRight, c.frameRight);
    }
    const StripGeometry g = StripGeometry::branded();
    EXPECT_EQ(g.thumbX(2), 190);
    EXPECT_EQ(g.hitSlot(9), -1);
    EXPECT_EQ(g.hitSlot(10), 0);
    EXPECT_EQ(g.hitSlot(89), 0);
    EXPECT_EQ(g.hitSlot(90), -1);
    EXPECT_EQ(g.hitSlot(100), 1);
    EXPECT_EQ(g.hitSlot(6 * 90 + 89), 6);
    EXPECT_EQ(g.hitSlot(7 * 90 + 10), -1);
    EXPECT_EQ(scrollMaximum(0), 0);
    EXPECT_EQ(scrollEndPosition(9, 7), 2);
    EXPECT_EQ(scrollEndPosition(3, 7), 0);
}

TEST(SnapshotNaming, CounterRunsOneTo9999AndSkips10000) {
    int32_t counter = 9999;
    EXPECT_EQ(takePictureNumber(counter), 9999);
    EXPECT_EQ(pictureFileName(9999), "Picture9999.jpg");
    EXPECT_EQ(counter, 10000);
    EXPECT_EQ(takePictureNumber(counter), 1);
    EXPECT_EQ(pictureFileName(1), "Picture0001.jpg");
    EXPECT_EQ(counter, 2);
    givePictureNumberBack(counter);
    EXPECT_EQ(takePictureNumber(counter), 1) << "a declined overwrite offers the same number again";

    counter = 10001;
    EXPECT_FALSE(takePictureNumber(counter).has_value());
    EXPECT_EQ(counter, 10001);
    counter = 0;
    EXPECT_EQ(takePictureNumber(counter), 1);
    EXPECT_EQ(picturePath("/home/u/Pictures", 42), "/home/u/Pictures/Picture0042.jpg");
    EXPECT_EQ(clipPath("/home/u/Videos", 7), "/home/u/Videos/Movie0007.avi");
}

TEST(SnapshotNaming, OverwriteQuestionNamesTheFileOnly) {
    app::MessageTexts texts(editions::edition());
    EXPECT_EQ(overwriteQuestion(texts, 12),
              "Picture0012.jpg already exists, do you want to replace it?");
    texts.set(editions::MSG_FILEEXIST, "%d %n %s %s 100%");
    EXPECT_EQ(overwriteQuestion(texts, 3), "%d %n Picture0003.jpg %s 100%");
}
