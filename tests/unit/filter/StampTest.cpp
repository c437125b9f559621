// Date and time stamps: sizes, rendering with the real font, elapsed time, compositing rules.
#include <gtest/gtest.h>

#include <vector>

#include "filter/MyTransFilter.h"
#include "filter/StampComposite.h"
#include "filter/TextRasterizer.h"
#include "tests/unit/filter/FilterTestSupport.h"

using namespace filter;
using filtertest::FakeClock;
using filtertest::Frame;

namespace {

// `text` rendered the way the stamps are: pure red on black, bottom line first.
std::vector<uint8_t> renderText(const char* text, int32_t w, int32_t h, int32_t points) {
    TextRasterizer r;
    EXPECT_TRUE(r.open("Arial"));
    EXPECT_TRUE(r.prepare(points, MyTransFilter::kStampCharset));
    std::vector<uint8_t> img(static_cast<size_t>(w) * h * 3, 0);
    r.draw(text, img.data(), w, h, w * 3, true);
    return img;
}

std::vector<uint8_t> bytesOf(const StampImage& s) {
    return std::vector<uint8_t>(s.data, s.data + static_cast<size_t>(s.width) * s.height * 3);
}

struct Region {
    int32_t left, top, right, bottom;  // inclusive
    bool contains(int32_t x, int32_t y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
};

// Every pixel of `after` that differs from `before` lies in one of the regions; returns how many
// pixels changed in each region.
std::vector<int> changedIn(const Frame& before, const Frame& after, int32_t bytesPerPixel,
                           const std::vector<Region>& regions) {
    std::vector<int> counts(regions.size(), 0);
    for (int32_t y = 0; y < before.height; ++y) {
        for (int32_t x = 0; x < before.width; ++x) {
            const size_t o =
                static_cast<size_t>(y) * before.stride + static_cast<size_t>(x) * bytesPerPixel;
            const size_t n = bytesPerPixel == 2 ? 2 : 3;
            if (std::memcmp(&before.bytes[o], &after.bytes[o], n) == 0) {
                continue;
            }
            bool inside = false;
            for (size_t i = 0; i < regions.size(); ++i) {
                if (regions[i].contains(x, y)) {
                    ++counts[i];
                    inside = true;
                    break;
                }
            }
            EXPECT_TRUE(inside) << "pixel " << x << "," << y << " changed outside the stamps";
        }
    }
    return counts;
}

struct Stamps : ::testing::Test {
    FakeClock clock;
    MyTransFilter f;
    Stamps() {
        f.setClock(&clock);
        f.setShowDate(true);
        f.setAddTime(true);
    }
    void run(Frame& frame) {
        auto s = frame.sample();
        ASSERT_EQ(f.Transform(&s), platform::S_Ok);
    }
};

}  // namespace

TEST(TextRasterizer, FindsLiberationSansForArial) {
    TextRasterizer r;
    ASSERT_TRUE(r.open("Arial"));
    EXPECT_EQ(r.familyName(), "Liberation Sans");
    ASSERT_TRUE(r.prepare(24, "0123456789-:_"));
    EXPECT_EQ(r.ascent(), 29);  // 1854 / 2048 of a 32-pixel em, rounded up
    EXPECT_GT(r.textWidth("2024-03-09"), 100);
    EXPECT_LT(r.textWidth("2024-03-09"), 320);
    EXPECT_EQ(r.textWidth("x"), 0);  // not in the cache
    EXPECT_FALSE(r.prepare(0, "0"));
}

TEST(TextRasterizer, DrawsRedOnBlackWithShadedEdgesAndClips) {
    std::vector<uint8_t> img = renderText("08", 40, 48, 24);
    int full = 0, partial = 0;
    for (size_t i = 0; i < img.size(); i += 3) {
        ASSERT_EQ(img[i], 0);
        ASSERT_EQ(img[i + 1], 0);
        full += img[i + 2] == 255;
        partial += img[i + 2] > 0 && img[i + 2] < 255;
    }
    EXPECT_GT(full, 50);
    EXPECT_GT(partial, 10);
    // A tiny target clips instead of overrunning (ASan watches the exact-size block).
    std::vector<uint8_t> tiny(3 * 4 * 3, 0);
    TextRasterizer r;
    ASSERT_TRUE(r.open("Arial"));
    ASSERT_TRUE(r.prepare(40, "0"));
    r.draw("000", tiny.data(), 3, 4, 9, false);
}

TEST_F(Stamps, SizesAt640x480) {
    ASSERT_EQ(f.setFrameFormat(640, 480, FrameFormat::YUY2), platform::S_Ok);
    Frame frame = filtertest::yuy2Frame(640, 480);
    run(frame);
    EXPECT_EQ(f.dateImage().width, 320);
    EXPECT_EQ(f.dateImage().height, 60);
    EXPECT_EQ(f.timeImage().width, 160);
    EXPECT_EQ(f.timeImage().height, 48);
    EXPECT_EQ(f.timeLeft(), 480);
    EXPECT_EQ(f.dateLeft(), 320);
    EXPECT_EQ(f.stampFont().points(), 24);
}

TEST_F(Stamps, DateAndTimeImagesShowTheirTexts) {
    ASSERT_EQ(f.setFrameFormat(640, 480, FrameFormat::YUY2), platform::S_Ok);
    Frame frame = filtertest::yuy2Frame(640, 480);
    run(frame);
    EXPECT_EQ(bytesOf(f.dateImage()), renderText("2024-03-09", 320, 60, 24));
    EXPECT_EQ(bytesOf(f.timeImage()), renderText("__:__:__", 160, 48, 24));
    EXPECT_NE(bytesOf(f.timeImage()), renderText("00:00:00", 160, 48, 24));
    EXPECT_FALSE(f.dateDirty());
}

TEST_F(Stamps, TimeReadsBlankUnderHalfASecondAndOneHourAt3599600ms) {
    clock.tick = 100000;
    ASSERT_EQ(f.setFrameFormat(640, 480, FrameFormat::YUY2), platform::S_Ok);
    Frame frame = filtertest::yuy2Frame(640, 480);
    run(frame);
    f.updateElapsed(100000 + 499);
    EXPECT_TRUE(f.timeDirty());
    run(frame);
    EXPECT_FALSE(f.timeDirty());
    EXPECT_EQ(bytesOf(f.timeImage()), renderText("__:__:__", 160, 48, 24));
    f.updateElapsed(100000 + 3599600);
    EXPECT_EQ(f.elapsed(), (ElapsedTime{1, 0, 0}));
    run(frame);
    EXPECT_EQ(bytesOf(f.timeImage()), renderText("01:00:00", 160, 48, 24));
}

TEST(ElapsedTime, RoundingAndWrap) {
    EXPECT_EQ(MyTransFilter::elapsedFromTicks(1499, 1000), (ElapsedTime{0, 0, 0}));
    EXPECT_EQ(MyTransFilter::elapsedFromTicks(1500, 1000), (ElapsedTime{0, 0, 1}));
    EXPECT_EQ(MyTransFilter::elapsedFromTicks(3599600, 0), (ElapsedTime{1, 0, 0}));
    EXPECT_EQ(MyTransFilter::elapsedFromTicks(3599499, 0), (ElapsedTime{0, 59, 59}));
    EXPECT_EQ(MyTransFilter::elapsedFromTicks(24u * 3600000u, 0), (ElapsedTime{0, 0, 0}));
    EXPECT_EQ(MyTransFilter::elapsedFromTicks(25u * 3600000u + 61000u, 0), (ElapsedTime{1, 1, 1}));
    // The 32-bit tick count wraps after 49.7 days; the difference stays right.
    EXPECT_EQ(MyTransFilter::elapsedFromTicks(0x00000100u, 0xFFFFFF00u), (ElapsedTime{0, 0, 1}));
}

TEST_F(Stamps, Yuy2DateTopLeftTimeTopRightTenRowsDown) {
    ASSERT_EQ(f.setFrameFormat(640, 480, FrameFormat::YUY2), platform::S_Ok);
    f.setElapsed({12, 34, 56});
    const Frame before = filtertest::yuy2Frame(640, 480, 16, 128, 16, 128);
    Frame frame = before;
    run(frame);
    const auto counts = changedIn(before, frame, 2, {{0, 0, 319, 59}, {480, 10, 639, 57}});
    EXPECT_GT(counts[0], 500);
    EXPECT_GT(counts[1], 300);
}

TEST_F(Stamps, Rgb24BottomUpDateUprightBottomRightTimeTopRight) {
    ASSERT_EQ(f.setFrameFormat(640, 480, FrameFormat::RGB24, true), platform::S_Ok);
    f.setElapsed({1, 2, 3});
    const Frame before = filtertest::bgrFrame(640, 480, 10, 10, 10);
    Frame frame = before;
    run(frame);
    // Memory rows 0..59 are the picture's bottom; picture rows 10..57 are memory rows 422..469.
    const auto counts = changedIn(before, frame, 3, {{320, 0, 639, 59}, {480, 422, 639, 469}});
    EXPECT_GT(counts[0], 500);
    EXPECT_GT(counts[1], 300);
    // Upright: the image's stored row i is memory row i, copied byte for byte where lit.
    const StampImage d = f.dateImage();
    for (int32_t i = 0; i < d.height; ++i) {
        for (int32_t x = 0; x < d.width; ++x) {
            if (d.lit(x, i)) {
                ASSERT_EQ(0, std::memcmp(frame.row(i) + (320 + x) * 3,
                                         d.data + (i * d.width + x) * 3, 3));
            }
        }
    }
}

TEST_F(Stamps, Rgb24TopDownKeepsWhatTheUserSees) {
    ASSERT_EQ(f.setFrameFormat(640, 480, FrameFormat::RGB24, false), platform::S_Ok);
    f.setElapsed({1, 2, 3});
    const Frame before = filtertest::bgrFrame(640, 480, 10, 10, 10);
    Frame frame = before;
    run(frame);
    const auto counts = changedIn(before, frame, 3, {{320, 420, 639, 479}, {480, 10, 639, 57}});
    EXPECT_GT(counts[0], 500);
    EXPECT_GT(counts[1], 300);
    // Stored row i (bottom line first) lands in memory row 479 - i of a top-down frame.
    const StampImage d = f.dateImage();
    for (int32_t i = 0; i < d.height; ++i) {
        for (int32_t x = 0; x < d.width; ++x) {
            if (d.lit(x, i)) {
                ASSERT_EQ(0, std::memcmp(frame.row(479 - i) + (320 + x) * 3,
                                         d.data + (i * d.width + x) * 3, 3));
            }
        }
    }
}

TEST(StampComposite, HalfLitMacropixelGetsChromaHalfWayToRed) {
    // 4x1 image, bottom line first = the only line: pixel 0 lit, 1 unlit, 2 unlit, 3 lit.
    std::vector<uint8_t> img(4 * 3, 0);
    img[2] = 255;
    img[3 * 3 + 2] = 10;
    StampImage s{img.data(), 4, 1};
    s.findLitBounds();
    std::vector<uint8_t> row = {50, 100, 60, 200, 70, 30, 80, 40};
    compositeDateYuy2({row.data(), 4, 1, 8}, s);
    EXPECT_EQ(row, (std::vector<uint8_t>{81, (100 + 90) >> 1, 60, (200 + 240) >> 1,  //
                                         70, (30 + 90) >> 1, 81, (40 + 240) >> 1}));
    // Both lit: the whole macropixel is red.
    std::vector<uint8_t> both(2 * 3, 1);
    StampImage b{both.data(), 2, 1};
    b.findLitBounds();
    std::vector<uint8_t> row2 = {50, 100, 60, 200};
    compositeDateYuy2({row2.data(), 2, 1, 4}, b);
    EXPECT_EQ(row2, (std::vector<uint8_t>{81, 90, 81, 240}));
}

TEST(StampComposite, TimeSetsChromaOnlyAtEvenColumns) {
    // 3x1 image placed at column 1: image pixels land on columns 1 (odd), 2 (even), 3 (odd).
    std::vector<uint8_t> img(3 * 3, 0);
    img[2] = 200;    // column 1
    img[3 + 1] = 1;  // column 2
    StampImage s{img.data(), 3, 1};
    s.findLitBounds();
    std::vector<uint8_t> rows(8 * 12, 7);  // 4 pixels x 12 rows
    compositeTimeYuy2({rows.data(), 4, 12, 8}, s, 1, 10);
    const uint8_t* r10 = rows.data() + 10 * 8;
    EXPECT_EQ(std::vector<uint8_t>(r10, r10 + 8),
              (std::vector<uint8_t>{7, 7, 81, 7, 81, 90, 7, 240}));
    // Row 11 and 0..9 untouched.
    for (int y : {0, 9, 11}) {
        for (int i = 0; i < 8; ++i) {
            ASSERT_EQ(rows[y * 8 + i], 7);
        }
    }
}

TEST_F(Stamps, SmallFramesAreClipped) {
    // Frames smaller than the stamp placement (time at row 10) must not be written outside.
    for (auto [w, h] : {std::pair{8, 8}, std::pair{20, 12}, std::pair{2, 40}, std::pair{33, 21}}) {
        for (FrameFormat fmt : {FrameFormat::YUY2, FrameFormat::RGB24}) {
            MyTransFilter g;
            g.setClock(&clock);
            g.setShowDate(true);
            g.setAddTime(true);
            g.setElapsed({8, 8, 8});
            ASSERT_EQ(g.setFrameFormat(w, h, fmt), platform::S_Ok);
            Frame frame =
                fmt == FrameFormat::YUY2 ? filtertest::yuy2Frame(w, h) : filtertest::bgrFrame(w, h);
            auto s = frame.sample();
            EXPECT_EQ(g.Transform(&s), platform::S_Ok);
        }
    }
}

TEST_F(Stamps, StampsOffLeaveTheFrameAlone) {
    f.setShowDate(false);
    f.setAddTime(false);
    ASSERT_EQ(f.setFrameFormat(320, 240, FrameFormat::YUY2), platform::S_Ok);
    const Frame before = filtertest::yuy2Pattern(320, 240, 2);
    Frame frame = before;
    run(frame);
    EXPECT_EQ(frame.bytes, before.bytes);
}
