// Motion tests, detection marks and the one-shot trigger through the filter.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "filter/MotionDetect.h"
#include "filter/MyTransFilter.h"
#include "filter/StillConvert.h"
#include "tests/unit/filter/FilterTestSupport.h"

using namespace filter;
using filtertest::FakeClock;
using filtertest::Frame;

namespace {

// Paints a w x h block of one YUY2 luma (neutral chroma) at (x, y).
void paintYuy2Block(Frame& f, int32_t x0, int32_t y0, int32_t w, int32_t h, uint8_t luma) {
    for (int32_t y = y0; y < y0 + h; ++y) {
        for (int32_t x = x0; x < x0 + w; ++x) {
            f.row(y)[2 * x] = luma;
        }
    }
}

void paintBgrBlock(Frame& f, int32_t x0, int32_t y0, int32_t w, int32_t h, uint8_t v) {
    for (int32_t y = y0; y < y0 + h; ++y) {
        for (int32_t x = x0; x < x0 + w; ++x) {
            std::memset(f.row(y) + 3 * x, v, 3);
        }
    }
}

bool isRedYuy2(Frame& f, int32_t x, int32_t y) {
    const uint8_t* mp = f.row(y) + (x / 2) * 4;
    return mp[(x & 1) ? 2 : 0] == 81 && mp[1] == 90 && mp[3] == 240;
}

bool isRedBgr(Frame& f, int32_t x, int32_t y) {
    const uint8_t* p = f.row(y) + 3 * x;
    return p[0] == 0 && p[1] == 0 && p[2] == 255;
}

struct FilterMotion : ::testing::Test {
    FakeClock clock;
    MyTransFilter f;
    std::atomic<int> motions{0};
    FunctionOwner owner{[this] { ++motions; }};
    FilterMotion() {
        f.setClock(&clock);
        f.setOwner(&owner);
        f.setStillByFilter(true);
    }
};

}  // namespace

TEST(MotionKernels, PixelTestCountsChangedPixelsAndBoundsThem) {
    const int32_t w = 20, h = 10;
    std::vector<uint8_t> cur(w * h * 3, 50), ref(w * h * 3, 50);
    for (int32_t y = 2; y < 5; ++y) {
        for (int32_t x = 3; x < 9; ++x) {
            std::memset(&cur[(y * w + x) * 3], 90, 3);  // sum 270 vs 150: |120| >= 100
        }
    }
    std::memset(&cur[(7 * w + 15) * 3], 84, 3);  // sum 252 vs 150: 102, counted
    std::memset(&cur[(8 * w + 15) * 3], 83, 3);  // 249 - 150 = 99: not counted
    std::memset(&cur[(9 * w + 1) * 3], 255, 3);  // 765 > 750: never counted
    MotionBox box = MotionBox::fresh(w, h);
    EXPECT_EQ(motionPixelTest(cur.data(), ref.data(), w, h, 100, box), 19);
    EXPECT_EQ(box, (MotionBox{15, 3, 7, 2}));
}

TEST(MotionKernels, WindowTestIgnoresUniformBrightnessChange) {
    const int32_t w = 12, h = 2;
    std::vector<uint8_t> cur(w * h * 3, 120), ref(w * h * 3, 20);
    std::vector<int32_t> sums(2 * w);
    MotionBox box = MotionBox::fresh(w, h);
    EXPECT_EQ(motionWindowTest(cur.data(), ref.data(), w, h, 100, box, sums.data()), 0);
    EXPECT_EQ(box, MotionBox::fresh(w, h));
    // One bright pixel in a row: windows 0..4 see its shape; the box takes x = start + 5.
    std::memset(&cur[4 * 3], 220, 3);
    EXPECT_EQ(motionWindowTest(cur.data(), ref.data(), w, h, 100, box, sums.data()), 5);
    EXPECT_EQ(box, (MotionBox{9, 5, 0, 0}));
}

TEST(MotionKernels, WindowTestNeedsMoreThanSixPixelsPerRow) {
    std::vector<uint8_t> cur(5 * 3, 200), ref(5 * 3, 0);
    std::vector<int32_t> sums(10);
    MotionBox box = MotionBox::fresh(5, 1);
    EXPECT_EQ(motionWindowTest(cur.data(), ref.data(), 5, 1, 100, box, sums.data()), 0);
}

TEST(MotionKernels, IntersectionTakesTheInnerEdges) {
    const MotionBox a{50, 10, 40, 5};
    const MotionBox b{60, 20, 30, 0};
    EXPECT_EQ(intersectBoxes(a, b), (PixelRect{20, 5, 50, 30}));
    EXPECT_FALSE(intersectBoxes(a, MotionBox{9, 0, 40, 0}).has_value());
    EXPECT_FALSE(intersectBoxes(a, MotionBox{60, 0, 4, 0}).has_value());
    EXPECT_EQ(intersectBoxes(a, MotionBox{10, 0, 5, 0}), (PixelRect{10, 5, 10, 5}));
}

TEST(MotionKernels, RedBorderInBothFormats) {
    Frame bgr = filtertest::bgrFrame(10, 8, 1, 2, 3);
    drawMotionBorderBgr(bgr.view(), PixelRect{2, 1, 6, 5});
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 10; ++x) {
            const bool edge =
                (y == 1 || y == 5) ? (x >= 2 && x <= 6) : (y > 1 && y < 5 && (x == 2 || x == 6));
            EXPECT_EQ(isRedBgr(bgr, x, y), edge) << x << "," << y;
        }
    }
    Frame yuy2 = filtertest::yuy2Frame(10, 8);
    drawMotionBorderYuy2(yuy2.view(), PixelRect{2, 1, 6, 5});
    EXPECT_TRUE(isRedYuy2(yuy2, 2, 1));
    EXPECT_TRUE(isRedYuy2(yuy2, 6, 5));
    EXPECT_TRUE(isRedYuy2(yuy2, 6, 3));
    EXPECT_EQ(yuy2.row(3)[2 * 4], 60);  // inside untouched
}

TEST(MotionKernels, InsetDoublesTheBoxAtTheBottomOfThePicture) {
    // Top-down BGR 40x30, box (30..33, 5..7) -> 8x6 inset at the left edge (30 > 4 / 2), rows
    // 30 - 2 - 6 = 22 .. 27.
    Frame f = filtertest::bgrPattern(40, 30, 5);
    const Frame before = f;
    const PixelRect box{30, 5, 33, 7};
    std::vector<uint8_t> scratch(kInsetScratchBytes);
    ASSERT_TRUE(pasteInsetBgr(f.view(), box, true, scratch.data()));
    for (int32_t r = 0; r < 6; ++r) {
        for (int32_t c = 0; c < 8; ++c) {
            const uint8_t* want =
                before.bytes.data() + (box.top + r / 2) * 120 + (box.left + c / 2) * 3;
            ASSERT_EQ(0, std::memcmp(f.row(22 + r) + (2 + c) * 3, want, 3)) << r << "," << c;
        }
    }
    // Bottom-up frames: the picture's bottom is memory row 0, so the inset starts at row 2.
    Frame g = filtertest::bgrPattern(40, 30, 5);
    ASSERT_TRUE(pasteInsetBgr(g.view(), PixelRect{0, 5, 3, 7}, false, scratch.data()));
    // Box left 0 is not right of half its width: the right edge, 40 - 2 - 8 = 30.
    EXPECT_EQ(0, std::memcmp(g.row(2) + 30 * 3, before.bytes.data() + 5 * 120, 3));
}

TEST(MotionKernels, InsetOnlyForSmallBoxesAndClippedToTheFrame) {
    Frame f = filtertest::bgrPattern(300, 200, 5);
    std::vector<uint8_t> scratch(kInsetScratchBytes);
    EXPECT_FALSE(
        pasteInsetBgr(f.view(), PixelRect{0, 0, 240, 10}, true, scratch.data()));  // 241 wide
    EXPECT_FALSE(
        pasteInsetBgr(f.view(), PixelRect{0, 0, 10, 180}, true, scratch.data()));  // 181 high
    EXPECT_TRUE(
        pasteInsetBgr(f.view(), PixelRect{0, 0, 239, 179}, true, scratch.data()));  // clipped
    Frame small = filtertest::yuy2Pattern(20, 12, 2);
    EXPECT_TRUE(pasteInsetYuy2(small.view(), PixelRect{1, 1, 16, 10}, scratch.data()));  // clipped
    Frame odd = filtertest::yuy2Pattern(21, 12, 2);
    EXPECT_TRUE(pasteInsetYuy2(odd.view(), PixelRect{1, 1, 3, 3}, scratch.data()));
}

TEST(MotionKernels, Yuy2InsetMakesOneMacropixelPerSourcePixel) {
    Frame f = filtertest::yuy2Pattern(40, 30, 8);
    const Frame before = f;
    std::vector<uint8_t> scratch(kInsetScratchBytes);
    // Box (20..21, 4..4): left 20 > 1, so against the left edge at x 2; rows 30 - 2 - 2 = 26, 27.
    ASSERT_TRUE(pasteInsetYuy2(f.view(), PixelRect{20, 4, 21, 4}, scratch.data()));
    const uint8_t* src = before.bytes.data() + 4 * 80 + 40;  // macropixel of pixels 20, 21
    for (int32_t r = 26; r <= 27; ++r) {
        const uint8_t* d = f.row(r) + 4;  // macropixel of pixels 2, 3
        EXPECT_EQ(d[0], src[0]);
        EXPECT_EQ(d[1], src[1]);
        EXPECT_EQ(d[2], src[0]);
        EXPECT_EQ(d[3], src[3]);
        EXPECT_EQ(d[4], src[2]);  // pixel 21 -> pixels 4, 5
        EXPECT_EQ(d[6], src[2]);
    }
}

TEST_F(FilterMotion, StaticSceneReportsNoMotion) {
    ASSERT_EQ(f.setFrameFormat(64, 48, FrameFormat::YUY2), platform::S_Ok);
    f.setMotionEnabled(true);
    Frame frame = filtertest::yuy2Pattern(64, 48, 4);
    for (int i = 0; i < 5; ++i) {
        Frame copy = frame;
        auto s = copy.sample(i * 333333);
        f.Transform(&s);
        EXPECT_EQ(copy.bytes, frame.bytes) << "frame " << i;
    }
    // A few changed pixels (fewer than 100) still report nothing.
    Frame few = frame;
    paintYuy2Block(few, 10, 10, 9, 9, 250);  // 81 pixels
    auto s = few.sample();
    f.Transform(&s);
    EXPECT_EQ(motions.load(), 0);
    EXPECT_TRUE(f.motionEnabled());
}

TEST_F(FilterMotion, MovingBlockFiresOnceMarksTheFrameAndTakesAStill) {
    ASSERT_EQ(f.setFrameFormat(96, 72, FrameFormat::YUY2), platform::S_Ok);
    f.setMotionEnabled(true);
    Frame base = filtertest::yuy2Frame(96, 72, 40, 128, 40, 128);
    Frame seed = base;
    auto s0 = seed.sample();
    f.Transform(&s0);  // seeds the reference
    Frame moved = base;
    paintYuy2Block(moved, 40, 20, 20, 16, 200);
    auto s1 = moved.sample();
    f.Transform(&s1);
    EXPECT_EQ(motions.load(), 1);
    EXPECT_FALSE(f.motionEnabled());
    // Pixel box 40..59 x 20..35; window box starts 5 columns right of the changes it sees.
    EXPECT_EQ(f.pixelBox(), (MotionBox{59, 40, 35, 20}));
    const MotionBox wb = f.windowBox();
    const PixelRect box = *intersectBoxes(f.pixelBox(), wb);
    EXPECT_TRUE(isRedYuy2(moved, box.left, box.top));
    EXPECT_TRUE(isRedYuy2(moved, box.right, box.bottom));
    // The still shows the marked frame.
    const auto still = f.stillBuffer();
    ASSERT_EQ(still.size(), 96u * 72 * 3);
    std::vector<uint8_t> expect(still.size());
    yuy2ToBgr(moved.bytes.data(), moved.stride, 96, 72, expect.data(), 96 * 3);
    EXPECT_TRUE(std::equal(still.begin(), still.end(), expect.begin()));
    // One-shot: more motion reports nothing until armed again.
    Frame back = base;
    auto s2 = back.sample();
    f.Transform(&s2);
    EXPECT_EQ(motions.load(), 1);
}

TEST_F(FilterMotion, Rgb24MotionDrawsInMemoryRowsOfBothOrders) {
    for (bool bottomUp : {true, false}) {
        MyTransFilter g;
        std::atomic<int> hits{0};
        FunctionOwner o([&] { ++hits; });
        g.setOwner(&o);
        g.setStillByFilter(true);
        ASSERT_EQ(g.setFrameFormat(80, 60, FrameFormat::RGB24, bottomUp), platform::S_Ok);
        g.setMotionEnabled(true);
        Frame base = filtertest::bgrFrame(80, 60, 30, 30, 30);
        Frame seed = base;
        auto s0 = seed.sample();
        g.Transform(&s0);
        Frame moved = base;
        paintBgrBlock(moved, 30, 10, 12, 14, 200);
        auto s1 = moved.sample();
        g.Transform(&s1);
        ASSERT_EQ(hits.load(), 1);
        const PixelRect box = *intersectBoxes(g.pixelBox(), g.windowBox());
        EXPECT_TRUE(isRedBgr(moved, box.left, box.top));
        EXPECT_TRUE(isRedBgr(moved, box.right, box.bottom));
    }
}

TEST_F(FilterMotion, Yuy2MotionNeverReadsPastAnExactSizeBuffer) {
    // Odd width, padded stride, exact-size buffer: ASan reports any read beyond it.
    const int32_t w = 61, h = 33;
    const ptrdiff_t stride = filter::packedRowBytes(w, true) + 4;
    ASSERT_EQ(f.setFrameFormat(w, h, FrameFormat::YUY2), platform::S_Ok);
    f.setMotionEnabled(true);
    for (uint32_t i = 0; i < 4; ++i) {
        Frame frame = filtertest::yuy2Pattern(w, h, i + 1, stride);
        auto s = frame.sample();
        f.Transform(&s);
    }
    EXPECT_EQ(motions.load(), 1);  // noise moves
}

TEST_F(FilterMotion, DisabledTriggerOrStillStepOffDoesNothing) {
    ASSERT_EQ(f.setFrameFormat(32, 24, FrameFormat::YUY2), platform::S_Ok);
    f.setMotionEnabled(false);
    for (uint32_t i = 0; i < 3; ++i) {
        Frame frame = filtertest::yuy2Pattern(32, 24, i + 1);
        auto s = frame.sample();
        f.Transform(&s);
    }
    f.setMotionEnabled(true);
    f.setStillByFilter(false);
    for (uint32_t i = 0; i < 3; ++i) {
        Frame frame = filtertest::yuy2Pattern(32, 24, i + 1);
        auto s = frame.sample();
        f.Transform(&s);
    }
    EXPECT_EQ(motions.load(), 0);
    EXPECT_TRUE(f.motionEnabled());
}
