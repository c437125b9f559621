// MyTransFilter::Transform: short samples, the requested size, row orders and strides.
#include <gtest/gtest.h>

#include <vector>

#include "filter/MyTransFilter.h"
#include "filter/StillConvert.h"
#include "tests/unit/filter/FilterTestSupport.h"

using namespace filter;
using filtertest::FakeClock;
using filtertest::Frame;

namespace {

struct TransformTest : ::testing::Test {
    FakeClock clock;
    MyTransFilter f;
    std::atomic<int> motions{0};
    FunctionOwner owner{[this] { ++motions; }};
    TransformTest() {
        f.setClock(&clock);
        f.setOwner(&owner);
    }
    void everythingOn() {
        f.setShowDate(true);
        f.setAddTime(true);
        f.ShowStreamDebug(true);
        f.setStillByFilter(true);
        f.setElapsed({1, 2, 3});
        std::vector<int32_t> map(640 * 480);
        for (size_t p = 0; p < map.size(); ++p) {
            map[p] = static_cast<int32_t>((p / 2) * 2) * 2;  // some non-identity map
        }
        f.SetZoomValue(200, map.data(), static_cast<int32_t>(map.size() * 4));
    }
};

std::vector<uint8_t> yuy2Still(Frame& frame) {
    std::vector<uint8_t> out(static_cast<size_t>(frame.width) * frame.height * 3);
    yuy2ToBgr(frame.bytes.data(), frame.stride, frame.width, frame.height, out.data(),
              frame.width * 3);
    return out;
}

std::vector<uint8_t> stillOf(const MyTransFilter& f) {
    const auto s = f.stillBuffer();
    return std::vector<uint8_t>(s.begin(), s.end());
}

}  // namespace

TEST_F(TransformTest, Yuy2SampleOneByteShortComesOutUnchangedAndTheStillStaysPending) {
    everythingOn();
    ASSERT_EQ(f.setFrameFormat(640, 480, FrameFormat::YUY2), platform::S_Ok);
    f.setMotionEnabled(true);
    f.requestStill();
    Frame frame(640, 480, 1280, 640 * 480 * 2 - 1);
    for (size_t i = 0; i < frame.bytes.size(); ++i) {
        frame.bytes[i] = static_cast<uint8_t>(i * 7);
    }
    const auto before = frame.bytes;
    auto s = frame.sample();
    EXPECT_EQ(f.Transform(&s), platform::S_Ok);
    EXPECT_EQ(frame.bytes, before);
    EXPECT_TRUE(f.stillRequested());
    EXPECT_FALSE(f.stillReady());
    EXPECT_TRUE(f.streaming());  // the first frame sets it, short or not
    // The next frame of full size delivers the still.
    Frame full = filtertest::yuy2Pattern(640, 480, 3);
    auto s2 = full.sample();
    f.Transform(&s2);
    EXPECT_FALSE(f.stillRequested());
    EXPECT_TRUE(f.stillReady());
    EXPECT_EQ(stillOf(f), yuy2Still(full));
}

TEST_F(TransformTest, Rgb24SampleShorterThanTheFrameIsPassedOnUntouched) {
    // RGB24 frames get the same size check as YUY2 frames.
    everythingOn();
    ASSERT_EQ(f.setFrameFormat(64, 48, FrameFormat::RGB24), platform::S_Ok);
    f.requestStill();
    Frame frame(64, 48, 192, 64 * 48 * 3 - 1);
    for (size_t i = 0; i < frame.bytes.size(); ++i) {
        frame.bytes[i] = static_cast<uint8_t>(i * 5);
    }
    const auto before = frame.bytes;
    auto s = frame.sample();
    f.Transform(&s);
    EXPECT_EQ(frame.bytes, before);
    EXPECT_TRUE(f.stillRequested());
}

TEST_F(TransformTest, FramesUseTheRequestedSizeNotTheFormatBlock) {
    f.setStillByFilter(true);
    ASSERT_EQ(f.setFrameFormat(640, 480, FrameFormat::YUY2), platform::S_Ok);
    f.setRequestedSize(32, 24);  // changed after the format: the frame path re-prepares once
    Frame frame = filtertest::yuy2Pattern(32, 24, 9);
    f.requestStill();
    auto s = frame.sample();
    f.Transform(&s);
    ASSERT_TRUE(f.stillReady());
    EXPECT_EQ(f.stillBuffer().size(), 32u * 24 * 3);
    EXPECT_EQ(stillOf(f), yuy2Still(frame));
    // A 640x480 buffer under a 32x24 request: only its first 32x24 pixels are the frame.
    f.requestStill();
    Frame big = filtertest::yuy2Pattern(640, 480, 10);
    auto s2 = big.sample();
    s2.stride = 64;
    f.Transform(&s2);
    EXPECT_TRUE(f.stillReady());
}

TEST_F(TransformTest, Rgb24StillKeepsThePlatformsBottomUpOrder) {
    f.setStillByFilter(true);
    // Bottom-up frames: the still is the frame byte for byte.
    ASSERT_EQ(f.setFrameFormat(7, 5, FrameFormat::RGB24, true), platform::S_Ok);
    Frame up = filtertest::bgrPattern(7, 5, 4);
    f.requestStill();
    auto s = up.sample();
    f.Transform(&s);
    ASSERT_TRUE(f.stillReady());
    EXPECT_EQ(stillOf(f), up.bytes);
    // Top-down frames with padded rows (GStreamer's BGR at an odd width): flipped, unpadded.
    ASSERT_EQ(f.setFrameFormat(7, 5, FrameFormat::RGB24, false), platform::S_Ok);
    Frame down = filtertest::bgrPattern(7, 5, 5, 24);
    f.requestStill();
    auto s2 = down.sample();
    f.Transform(&s2);
    ASSERT_TRUE(f.stillReady());
    const auto still = stillOf(f);
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(0, std::memcmp(still.data() + (4 - y) * 21, down.row(y), 21)) << y;
    }
}

TEST_F(TransformTest, StillShowsTheStampsDrawnIntoTheFrame) {
    f.setStillByFilter(true);
    f.setShowDate(true);
    ASSERT_EQ(f.setFrameFormat(320, 240, FrameFormat::YUY2), platform::S_Ok);
    Frame frame = filtertest::yuy2Frame(320, 240, 16, 128, 16, 128);
    const Frame plain = frame;
    f.requestStill();
    auto s = frame.sample();
    f.Transform(&s);
    EXPECT_NE(frame.bytes, plain.bytes);
    EXPECT_EQ(stillOf(f), yuy2Still(frame));
}

TEST_F(TransformTest, NoStillWithoutTheStillStep) {
    ASSERT_EQ(f.setFrameFormat(32, 24, FrameFormat::YUY2), platform::S_Ok);
    f.requestStill();
    Frame frame = filtertest::yuy2Pattern(32, 24, 1);
    auto s = frame.sample();
    f.Transform(&s);
    EXPECT_TRUE(f.stillRequested());
    EXPECT_FALSE(f.stillReady());
}

TEST_F(TransformTest, EverythingOnAtOddSizesStaysInsideTheBuffers) {
    everythingOn();
    for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{17, 9}, std::pair{161, 121},
                        std::pair{321, 241}, std::pair{640, 90}}) {
        for (FrameFormat fmt : {FrameFormat::YUY2, FrameFormat::RGB24}) {
            for (bool padded : {false, true}) {
                ASSERT_EQ(f.setFrameFormat(w, h, fmt, false), platform::S_Ok);
                f.setMotionEnabled(true);
                const ptrdiff_t rowBytes = packedRowBytes(w, fmt == FrameFormat::YUY2);
                const ptrdiff_t stride = padded ? (rowBytes + 3) / 4 * 4 + 4 : 0;
                for (uint32_t i = 0; i < 3; ++i) {
                    if (i == 1) {
                        f.requestStill();
                    }
                    Frame frame = fmt == FrameFormat::YUY2
                                      ? filtertest::yuy2Pattern(w, h, i + 1, stride)
                                      : filtertest::bgrPattern(w, h, i + 1, stride);
                    auto s = frame.sample(i * 333333);
                    ASSERT_EQ(f.Transform(&s), platform::S_Ok);
                }
                EXPECT_TRUE(f.stillReady()) << w << "x" << h;
            }
        }
    }
}
