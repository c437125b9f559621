// Stream-timing overlay: lines, frame rate, rate history and graph.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "filter/DebugOverlay.h"
#include "filter/GlyphFont.h"
#include "filter/MyTransFilter.h"
#include "tests/unit/filter/FilterTestSupport.h"

using namespace filter;
using filtertest::FakeClock;
using filtertest::Frame;

TEST(DebugLine, PrintfStyleFormatting) {
    EXPECT_EQ(
        std::string(
            DebugLine().text("stS - ").fixed(1.5, 6, 2).text(" ").fixed(1234.567, 6, 2).view()),
        "stS -   1.50 1234.57");
    EXPECT_EQ(std::string(DebugLine().text("FRate   - ").fixed(35.0, 2, 2).view()),
              "FRate   - 35.00");
    EXPECT_EQ(
        std::string(DebugLine().text("mt  - ").integer(-1).text(" ").integer(INT64_MAX).view()),
        "mt  - -1 9223372036854775807");
    EXPECT_EQ(std::string(DebugLine().fixed(-0.004, 6, 2).view()), " -0.00");
}

TEST(DebugLine, IgnoresTheProcessLocale) {
    // Qt applications set the locale from the environment; a decimal comma must not appear.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old != nullptr ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no de_DE locale here";
    }
    EXPECT_EQ(std::string(DebugLine().fixed(2.25, 6, 2).view()), "  2.25");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(DebugLine, LongTextIsCutAt1024Bytes) {
    DebugLine line;
    for (int i = 0; i < 200; ++i) {
        line.text("abcdefghij");
    }
    EXPECT_EQ(line.view().size(), 1024u);
}

TEST(FrameRate, ClampAndIntervals) {
    EXPECT_FLOAT_EQ(frameRateFromStarts(200000, 0), 35.0f);  // 0.02 s -> 50 -> 35
    EXPECT_FLOAT_EQ(frameRateFromStarts(500, 500), 35.0f);   // interval 0: no division
    EXPECT_FLOAT_EQ(frameRateFromStarts(400000, 0), 25.0f);
    EXPECT_FLOAT_EQ(frameRateFromStarts(0, 400000), 0.0f);  // backwards: no rate
}

TEST(RateHistory, ShiftsOverTheFrameWidthAndStopsAt1600) {
    std::vector<int32_t> h(kRateHistoryEntries, -1);
    pushRateHistory(h.data(), 5, 35.0f);
    pushRateHistory(h.data(), 5, 12.6f);
    EXPECT_EQ(h[3], 70);
    EXPECT_EQ(h[4], 25);
    EXPECT_EQ(h[5], -1);
    // A frame wider than the history keeps its newest entry at 1599 (entry width - 1 would lie
    // past the end).
    std::vector<int32_t> wide(kRateHistoryEntries + 8, -7);  // guard entries after the history
    std::fill(wide.begin(), wide.begin() + kRateHistoryEntries, -1);
    pushRateHistory(wide.data(), 4000, 30.0f);
    EXPECT_EQ(wide[kRateHistoryEntries - 1], 60);
    EXPECT_EQ(wide[kRateHistoryEntries], -7);
}

TEST(RateGraph, PointSeventyRowsAboveTheBaseline) {
    const int32_t w = 40, h = 100;
    Frame f = filtertest::yuy2Frame(w, h, 0, 128, 0, 128);
    std::vector<int32_t> hist(kRateHistoryEntries, -1);
    hist[w - 1] = 70;
    drawRateGraph(f.view(), hist.data(), false);
    auto luma = [&](int32_t x, int32_t y) { return f.row(y)[2 * x]; };
    EXPECT_EQ(luma(w - 1, h - 15 - 70), 255);
    EXPECT_EQ(luma(w - 2, h - 15), 175);
    EXPECT_EQ(luma(w - 2, h - 75), 175);
    EXPECT_EQ(luma(0, h - 15), 0);  // column 0 is not drawn
    // Joined from the previous point (h - 10) up to the new one.
    for (int32_t y = h - 85; y < h - 10; ++y) {
        if (y != h - 75 && y != h - 15) {
            EXPECT_EQ(luma(w - 1, y), 255) << y;
        }
    }
    EXPECT_EQ(luma(w - 1, h - 10), 0);
}

TEST(RateGraph, SmallFramesSkipRowsOutsideTheFrame) {
    for (int32_t h : {1, 10, 14, 20, 80, 87}) {
        Frame f = filtertest::yuy2Frame(30, h);
        std::vector<int32_t> hist(kRateHistoryEntries, 70);
        drawRateGraph(f.view(), hist.data(), true);
    }
}

namespace {

struct Overlay : ::testing::Test {
    FakeClock clock;
    MyTransFilter f;
    Overlay() {
        f.setClock(&clock);
        f.ShowStreamDebug(true);
    }
};

}  // namespace

TEST_F(Overlay, RateClampedTo35WithHistory70AndGraphPoint) {
    ASSERT_EQ(f.setFrameFormat(200, 150, FrameFormat::YUY2), platform::S_Ok);
    Frame a = filtertest::yuy2Frame(200, 150, 0, 128, 0, 128);
    auto s0 = a.sample(10000000);
    f.Transform(&s0);
    Frame b = filtertest::yuy2Frame(200, 150, 0, 128, 0, 128);
    auto s1 = b.sample(10000000 + 200000);  // 0.02 s later
    f.Transform(&s1);
    EXPECT_FLOAT_EQ(f.frameRate(), 35.0f);
    EXPECT_EQ(f.rateHistory()[199], 70);
    EXPECT_EQ(b.row(150 - 15 - 70)[2 * 199], 255);
    // Same start time again: interval 0 also gives 35.0.
    Frame c = filtertest::yuy2Frame(200, 150, 0, 128, 0, 128);
    auto s2 = c.sample(10000000 + 200000);
    f.Transform(&s2);
    EXPECT_FLOAT_EQ(f.frameRate(), 35.0f);
}

TEST_F(Overlay, LinesAreDrawnAtX10) {
    ASSERT_EQ(f.setFrameFormat(320, 240, FrameFormat::YUY2), platform::S_Ok);
    Frame frame = filtertest::yuy2Frame(320, 240, 0, 128, 0, 128);
    auto s = frame.sample(12345678);
    f.Transform(&s);
    // "stS - " at x = 10, y = 10: the 'S' starts at x = 26; its row 3 is 0x3C (columns 2..5).
    const uint8_t* r = frame.row(13);
    for (int32_t c = 0; c < 8; ++c) {
        EXPECT_EQ(r[2 * (26 + c)], (0x3C & (0x80 >> c)) ? 255 : 0) << c;
    }
    // The graph's "0" label at (2, 240 - 14).
    EXPECT_EQ(frame.row(240 - 14 + 3)[2 * (2 + 3)], 255);
}

TEST_F(Overlay, NoGlyphTextInRgb24Frames) {
    ASSERT_EQ(f.setFrameFormat(320, 240, FrameFormat::RGB24), platform::S_Ok);
    const Frame before = filtertest::bgrPattern(320, 240, 6);
    Frame frame = before;
    auto s = frame.sample(1000);
    f.Transform(&s);
    EXPECT_EQ(frame.bytes, before.bytes);
}

TEST_F(Overlay, FramesWiderThan1600DoNotOverrunTheHistory) {
    ASSERT_EQ(f.setFrameFormat(2000, 90, FrameFormat::YUY2), platform::S_Ok);
    for (int i = 0; i < 3; ++i) {
        Frame frame = filtertest::yuy2Frame(2000, 90);
        auto s = frame.sample(i * 333333);
        f.Transform(&s);
    }
    EXPECT_EQ(f.rateHistory()[1599], 60);  // 30 fps
}
