// MyTransFilter's format operations: which media types it accepts and what accepting resets.
#include <gtest/gtest.h>

#include "filter/MyTransFilter.h"
#include "tests/unit/filter/FilterTestSupport.h"

using namespace filter;
using filtertest::FakeClock;

namespace {

platform::VideoInfoHeader vih(int32_t w, int32_t h, uint32_t compression, uint16_t bits) {
    platform::VideoInfoHeader v;
    v.bmiHeader.biSize = 40;
    v.bmiHeader.biWidth = w;
    v.bmiHeader.biHeight = h;
    v.bmiHeader.biPlanes = 1;
    v.bmiHeader.biBitCount = bits;
    v.bmiHeader.biCompression = compression;
    return v;
}

struct FormatTest : ::testing::Test {
    FakeClock clock;
    MyTransFilter f;
    FormatTest() { f.setClock(&clock); }
};

}  // namespace

TEST_F(FormatTest, AcceptsYuy2AndRgb24) {
    EXPECT_EQ(
        f.CheckInputType(MediaType::video(kSubtypeYUY2, vih(640, 480, platform::kFourCC_YUY2, 16))),
        platform::S_Ok);
    EXPECT_EQ(f.isYuy2(), 1);
    EXPECT_EQ(f.CheckInputType(MediaType::video(kSubtypeRGB24, vih(640, -480, 0, 24))),
              platform::S_Ok);
    EXPECT_EQ(f.isYuy2(), 0);
}

TEST_F(FormatTest, RejectsRgb32MjpgAndOtherTypes) {
    EXPECT_EQ(f.CheckInputType(MediaType::video(kSubtypeRGB32, vih(640, 480, 0, 32))),
              kVfwE_TypeNotAccepted);
    EXPECT_EQ(
        f.CheckInputType(MediaType::video(kSubtypeMJPG, vih(640, 480, platform::kFourCC_MJPG, 24))),
        kVfwE_TypeNotAccepted);
    MediaType audio = MediaType::video(kSubtypeYUY2, vih(640, 480, platform::kFourCC_YUY2, 16));
    audio.majorType = kMajorAudio;
    EXPECT_EQ(f.CheckInputType(audio), kVfwE_TypeNotAccepted);
}

TEST_F(FormatTest, RejectsMissingShortOrEmptyFormatBlock) {
    MediaType none = MediaType::video(kSubtypeYUY2, vih(640, 480, platform::kFourCC_YUY2, 16));
    none.format.clear();
    EXPECT_EQ(f.CheckInputType(none), kVfwE_TypeNotAccepted);

    platform::VideoInfoHeader zero = vih(640, 480, platform::kFourCC_YUY2, 16);
    zero.bmiHeader.biSize = 0;
    EXPECT_EQ(f.CheckInputType(MediaType::video(kSubtypeYUY2, zero)), kVfwE_TypeNotAccepted);

    // 88 bytes are copied out of the block; a shorter one is refused, not over-read.
    MediaType shortBlock =
        MediaType::video(kSubtypeYUY2, vih(640, 480, platform::kFourCC_YUY2, 16));
    shortBlock.format.resize(60);
    shortBlock.format.shrink_to_fit();
    EXPECT_EQ(f.CheckInputType(shortBlock), kVfwE_TypeNotAccepted);
}

TEST_F(FormatTest, CheckTransformAlwaysSucceedsGetMediaTypeAlwaysFails) {
    MediaType t;
    EXPECT_EQ(f.CheckTransform(t, t), platform::S_Ok);
    EXPECT_EQ(f.GetMediaType(0, &t), platform::E_Unexpected);
    EXPECT_EQ(f.Transform(nullptr), platform::E_Pointer);
}

TEST_F(FormatTest, AcceptingResetsElapsedTimeConnectTickAndMarksDateDirty) {
    clock.tick = 5000;
    f.setElapsed({1, 2, 3});
    ASSERT_EQ(f.setFrameFormat(64, 48, FrameFormat::YUY2), platform::S_Ok);
    EXPECT_EQ(f.elapsed(), (ElapsedTime{0, 0, 0}));
    EXPECT_EQ(f.connectTick(), 5000u);
    EXPECT_TRUE(f.dateDirty());
}

TEST_F(FormatTest, AcceptingResetsDebugState) {
    ASSERT_EQ(f.setFrameFormat(64, 100, FrameFormat::YUY2), platform::S_Ok);
    f.ShowStreamDebug(true);
    auto frame = filtertest::yuy2Frame(64, 100);
    auto s = frame.sample(200000);
    f.Transform(&s);
    EXPECT_NE(f.rateHistory()[63], -1);
    EXPECT_NE(f.frameRate(), 0.0f);
    // Even a refused subtype resets the debug state: the reset comes before the subtype test.
    EXPECT_EQ(
        f.CheckInputType(MediaType::video(kSubtypeMJPG, vih(64, 100, platform::kFourCC_MJPG, 24))),
        kVfwE_TypeNotAccepted);
    for (int32_t v : f.rateHistory()) {
        ASSERT_EQ(v, -1);
    }
    EXPECT_EQ(f.frameRate(), 0.0f);
}

TEST_F(FormatTest, RequestedSizeDefaultsTo640x480) {
    EXPECT_EQ(f.requestedWidth(), 640);
    EXPECT_EQ(f.requestedHeight(), 480);
    f.setRequestedSize(0, 720);
    EXPECT_EQ(f.requestedWidth(), 640);
    EXPECT_EQ(f.requestedHeight(), 480);
    f.setRequestedSize(1280, 800);
    EXPECT_EQ(f.requestedWidth(), 1280);
    EXPECT_EQ(f.requestedHeight(), 800);
}
