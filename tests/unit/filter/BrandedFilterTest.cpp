// The branded edition's frame filter: types by format block, idle no-op, step order, date place,
// debug lines with an unclamped rate, and the frame lock.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <future>
#include <limits>
#include <string>
#include <vector>

#include "filter/MyTransFilter.h"
#include "filter/StillConvert.h"
#include "tests/unit/filter/FilterTestSupport.h"

using namespace filter;
using namespace std::chrono_literals;
using filtertest::Frame;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

MediaType videoType(uint32_t subtype, uint32_t compression, uint16_t bits) {
    platform::VideoInfoHeader v;
    v.bmiHeader = {40, 64, 48, 1, bits, compression};
    return MediaType::video(subtype, v);
}

std::vector<uint8_t> yuy2Still(const Frame& f) {
    std::vector<uint8_t> out(static_cast<size_t>(f.width) * f.height * 3);
    yuy2ToBgr(f.bytes.data(), f.stride, f.width, f.height, out.data(), f.width * 3);
    return out;
}

// A clock that runs `hook` when the debug overlay reads it, i.e. in the middle of a frame.
struct HookClock final : FilterClock {
    std::function<void()> hook;
    uint32_t tickCountMs() override { return 1000; }
    int64_t counter100ns() override {
        if (hook) {
            hook();
        }
        return 0;
    }
    LocalDate localDate() override { return {2024, 3, 9}; }
};

struct Rig {
    HookClock clock;
    MyTransFilter f;
    int motions = 0;
    FunctionOwner owner{[this] { ++motions; }};
    explicit Rig(FilterVariant v) {
        f.setClock(&clock);
        f.setOwner(&owner);
        f.setVariant(v);
    }
    std::vector<uint8_t> still() const { return {f.stillBuffer().begin(), f.stillBuffer().end()}; }
    void run(Frame& frame, int64_t start = 0) {
        auto s = frame.sample(start);
        ASSERT_EQ(f.Transform(&s), platform::S_Ok);
    }
    // An RGB24 scene and the same scene with a block that moved into it.
    void seedAndMove() {
        Frame seed = filtertest::bgrFrame(80, 60, 30, 30, 30), moved = seed;
        for (int32_t y = 10; y < 24; ++y) {
            std::memset(moved.row(y) + 90, 200, 36);
        }
        run(seed);
        run(moved);
    }
};
struct Branded : ::testing::Test, Rig {
    Branded() : Rig(FilterVariant::Branded) {}
};

}  // namespace

TEST_F(Branded, AcceptsByFormatBlockNotSubtype) {
    EXPECT_EQ(MyTransFilter().variant(), FilterVariant::Main);
    struct Case {
        uint32_t subtype, compression;
        uint16_t bits;
        int32_t yuy2;  // -1: refused
    };
    for (const Case& c : {Case{kSubtypeMJPG, kCompressionBiRgb, 24, 0},
                          {0, kFourCC_RGB2, 24, 0},
                          {kSubtypeRGB24, platform::kFourCC_YUY2, 16, 1},
                          {kSubtypeRGB24, kFourCC_RGB2, 16, -1},
                          {kSubtypeRGB32, kCompressionBiRgb, 32, -1},
                          {kSubtypeYUY2, platform::kFourCC_MJPG, 16, -1}}) {
        const HResult hr = f.CheckInputType(videoType(c.subtype, c.compression, c.bits));
        EXPECT_EQ(hr, c.yuy2 < 0 ? kVfwE_TypeNotAccepted : platform::S_Ok) << c.compression;
        if (c.yuy2 >= 0) {
            EXPECT_EQ(f.isYuy2(), c.yuy2);
        }
    }
}

TEST_F(Branded, DoesNothingWhileAllFourStepsAreOffAndNeverZooms) {
    std::vector<int32_t> map(64 * 48, 0);  // a zoom that would flatten the picture
    f.SetZoomValue(200, map.data(), static_cast<int32_t>(map.size() * 4));
    for (FrameFormat fmt : {FrameFormat::YUY2, FrameFormat::RGB24}) {
        ASSERT_EQ(f.setFrameFormat(64, 48, fmt), platform::S_Ok);
        f.requestStill();  // an RGB24 frame would serve it if the still step ran
        const Frame before = fmt == FrameFormat::YUY2 ? filtertest::yuy2Pattern(64, 48, 3)
                                                      : filtertest::bgrPattern(64, 48, 3);
        Frame frame = before;
        run(frame);
        EXPECT_EQ(frame.bytes, before.bytes);
        EXPECT_TRUE(f.stillRequested());
        EXPECT_FALSE(f.streaming());
    }
    // A step that leaves the frame alone: still no zoom.
    f.setStillByFilter(true);
    ASSERT_EQ(f.setFrameFormat(64, 48, FrameFormat::YUY2), platform::S_Ok);
    const Frame before = filtertest::yuy2Pattern(64, 48, 7);
    Frame frame = before;
    run(frame);
    EXPECT_TRUE(f.streaming());
    EXPECT_EQ(frame.bytes, before.bytes);
}

TEST_F(Branded, StillPrecedesStampsAndNeedsItsFlagOnlyInYuy2) {
    f.setShowDate(true);
    f.ShowStreamDebug(true);
    ASSERT_EQ(f.setFrameFormat(80, 60, FrameFormat::YUY2), platform::S_Ok);
    f.requestStill();
    Frame y = filtertest::yuy2Frame(80, 60, 16, 128, 16, 128);
    run(y);
    EXPECT_FALSE(f.stillReady());  // YUY2 without the still flag
    f.setStillByFilter(true);
    const Frame plain = y = filtertest::yuy2Frame(80, 60, 16, 128, 16, 128);
    run(y);
    ASSERT_TRUE(f.stillReady());
    EXPECT_NE(y.bytes, plain.bytes);
    EXPECT_EQ(still(), yuy2Still(plain));  // no stamp, no overlay in the still
    // RGB24 frames run the still/motion step without the flag.
    f.setStillByFilter(false);
    ASSERT_EQ(f.setFrameFormat(80, 60, FrameFormat::RGB24), platform::S_Ok);
    f.setMotionEnabled(true);
    seedAndMove();
    EXPECT_EQ(motions, 1);
    EXPECT_FALSE(f.motionEnabled());
}

TEST_F(Branded, DateIsAThirdByATenthInArialUprightBottomRightInYuy2) {
    f.setShowDate(true);
    ASSERT_EQ(f.setFrameFormat(640, 480, FrameFormat::YUY2), platform::S_Ok);
    const Frame before = filtertest::yuy2Frame(640, 480, 16, 128, 16, 128);
    Frame frame = before;
    run(frame);
    const StampImage d = f.dateImage();
    ASSERT_EQ(std::vector<int32_t>({d.width, d.height, f.dateLeft(), f.timeImage().width,
                                    f.timeImage().height, f.timeLeft()}),
              std::vector<int32_t>({213, 48, 427, 160, 48, 480}));
    TextRasterizer arial;
    ASSERT_TRUE(arial.open("Arial") && arial.prepare(24, MyTransFilter::kStampCharset));
    std::vector<uint8_t> expected(213u * 48 * 3, 0);
    arial.draw("2024-03-09", expected.data(), 213, 48, 213 * 3, true);
    EXPECT_EQ(std::vector<uint8_t>(d.data, d.data + expected.size()), expected);
    // Stored row s on frame row 479 - s, column c on 427 + c; column 426 keeps its luma.
    int lit = 0;
    for (int32_t s = 0; s < d.height; ++s) {
        EXPECT_EQ(frame.row(479 - s)[2 * 426], 16);
        for (int32_t c = 0; c < d.width; ++c) {
            lit += d.lit(c, s) && frame.row(479 - s)[2 * (427 + c)] == kStampY;
        }
    }
    EXPECT_GT(lit, 500);
    EXPECT_EQ(0, std::memcmp(frame.bytes.data(), before.bytes.data(), 432 * 1280));
}

TEST(StampComposite, DateAtAnOddLeftPairsByTheFramesMacropixels) {
    std::vector<uint8_t> img(9, 255);  // 3 x 1, all lit
    StampImage s{img.data(), 3, 1};
    s.findLitBounds();
    std::vector<uint8_t> row = {50, 100, 60, 200, 50, 100, 60, 200, 50, 100, 60, 200};
    compositeDateYuy2At({row.data(), 6, 1, 12}, s, 3, 0);  // columns 3, 4, 5
    EXPECT_EQ(row, (std::vector<uint8_t>{50, 100, 60, 200, 50, 95, 81, 220, 81, 90, 81, 240}));
    std::vector<uint8_t> odd(8, 0);  // 3 pixels: the last macropixel holds one
    compositeDateYuy2At({odd.data(), 3, 1, 8}, s, 1, 0);
    compositeDateYuy2At({odd.data(), 3, 1, 8}, s, -5, 0);
    compositeDateYuy2At({odd.data(), 3, 1, 8}, s, 0, 1);
    EXPECT_EQ(odd, (std::vector<uint8_t>{0, 45, 81, 120, 81, 45, 0, 120}));
}

TEST(DebugLines, BrandedTextsAndAnUnclampedRateWithoutOverflow) {
    DebugTimes t{12345678, 12679011, (int64_t{1} << 32) + 5, 0xFFFFFFFFll, 5000000, kInf};
    DebugTextLines l;
    ASSERT_EQ(formatDebugLines(FilterVariant::Branded, t, l), 5u);
    std::vector<std::string> got;
    for (const auto& line : l) {
        got.push_back(std::to_string(line.y) + ":" + std::string(line.text.view()));
    }
    EXPECT_EQ(got,
              (std::vector<std::string>{"10:stStart -   1.23   0.50", "25:stEnd   -   1.27",
                                        "40:mtStart - 5", "55:mtEnd   - -1", "70:FRate   - inf"}));
    ASSERT_EQ(formatDebugLines(FilterVariant::Main, t, l), 4u);
    EXPECT_EQ(l[2].text.view(), "mt  - 4294967301 4294967295");
    EXPECT_EQ(frameRateFromStarts(500, 500, false), kInf);
    EXPECT_FLOAT_EQ(frameRateFromStarts(1, 0, false), 1e7f);
    std::vector<int32_t> h(kRateHistoryEntries, -1);
    for (float rate : {kInf, 1e10f, std::numeric_limits<float>::quiet_NaN()}) {
        pushRateHistory(h.data(), 3, rate);  // float -> int overflow would trip UBSan
    }
    EXPECT_EQ(std::vector<int32_t>(h.begin(), h.begin() + 3),
              (std::vector<int32_t>{INT32_MAX, INT32_MAX, 0}));
    h[1] = INT32_MIN;
    h[2] = INT32_MAX;
    for (int32_t height : {1, 14, 100}) {  // 32-bit row arithmetic would overflow here
        Frame f = filtertest::yuy2Frame(3, height);
        drawRateGraph(f.view(), h.data(), false);
    }
}

TEST_F(Branded, OverlayRateIsUnclampedAndAZeroIntervalReadsInf) {
    f.ShowStreamDebug(true);
    ASSERT_EQ(f.setFrameFormat(200, 150, FrameFormat::YUY2), platform::S_Ok);
    Frame a = filtertest::yuy2Frame(200, 150, 0, 128, 0, 128), b = a, c = a, text = a;
    run(a, 10000000);
    run(b, 10200000);  // 0.02 s: 50 fps, not 35
    EXPECT_FLOAT_EQ(f.frameRate(), 50.0f);
    EXPECT_EQ(b.row(150 - 15 - 100)[2 * 199], 255);
    run(c, 10200000);
    EXPECT_EQ(f.frameRate(), kInf);
    EXPECT_EQ(f.rateHistory()[199], INT32_MAX);
    drawGlyphText(text.view(), 10, 70, "FRate   - inf");
    for (int32_t x = 0; x < 190; ++x) {  // glyph row 7; the graph's points are further right
        ASSERT_EQ(text.row(77)[2 * x] == 255, c.row(77)[2 * x] == 255) << x;
    }
}

TEST_F(Branded, VariantChosenAfterTheFormatIsPreparedAtTheNextFrame) {
    f.setVariant(FilterVariant::Main);
    f.setShowDate(true);
    ASSERT_EQ(f.setFrameFormat(64, 48, FrameFormat::YUY2), platform::S_Ok);
    f.setVariant(FilterVariant::Branded);
    Frame frame = filtertest::yuy2Pattern(64, 48, 1);
    run(frame);
    EXPECT_EQ(f.dateImage().width, 21);
    f.setVariant(FilterVariant::Main);  // the zoom's scratch block comes back with it
    std::vector<int32_t> map(64 * 48, 0);
    f.SetZoomValue(200, map.data(), static_cast<int32_t>(map.size() * 4));
    const uint8_t luma0 = frame.bytes[0];
    run(frame);
    EXPECT_EQ(f.dateImage().width, 32);
    EXPECT_EQ(frame.row(47)[2 * 63], luma0);
}

TEST(BrandedLock, ReconfigurationWaitsForTheFrameInFlightOnlyInTheBrandedVariant) {
    for (FilterVariant v : {FilterVariant::Branded, FilterVariant::Main}) {
        Rig t(v);
        MyTransFilter& f = t.f;
        f.ShowStreamDebug(true);
        ASSERT_EQ(f.setFrameFormat(64, 48, FrameFormat::YUY2), platform::S_Ok);
        const std::vector<std::function<void()>> setters = {
            [&] { f.setRequestedSize(64, 48); }, [&] { f.setAddTime(false); },
            [&] { f.setShowDate(false); },       [&] { f.setStillByFilter(false); },
            [&] { f.ShowStreamDebug(true); },    [&] { f.requestStill(); }};
        std::vector<std::future<void>> pending;  // joined after the frame: no deadlock on failure
        std::vector<bool> doneInFrame;
        t.clock.hook = [&] {
            for (const auto& set : setters) {
                pending.push_back(std::async(std::launch::async, set));
            }
            for (auto& p : pending) {
                const auto limit = v == FilterVariant::Branded ? 100ms : 10s;
                doneInFrame.push_back(p.wait_for(limit) == std::future_status::ready);
            }
        };
        Frame frame = filtertest::yuy2Frame(64, 48);
        t.run(frame);
        t.clock.hook = nullptr;
        for (auto& p : pending) {
            p.get();
        }
        EXPECT_EQ(doneInFrame, std::vector<bool>(setters.size(), v == FilterVariant::Main));
    }
}

TEST_F(Branded, MotionIsReportedWithTheLockReleased) {
    std::future<void> setter;  // outlives the frame: a failure does not deadlock the test
    bool finished = false;
    FunctionOwner reconfiguring{[&] {
        setter = std::async(std::launch::async, [&] { f.setShowDate(false); });
        finished = setter.wait_for(10s) == std::future_status::ready;
    }};
    f.setOwner(&reconfiguring);
    f.setShowDate(true);
    ASSERT_EQ(f.setFrameFormat(80, 60, FrameFormat::RGB24), platform::S_Ok);
    f.setMotionEnabled(true);
    seedAndMove();
    ASSERT_TRUE(setter.valid());
    setter.get();
    EXPECT_TRUE(finished);
}
