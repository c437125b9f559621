// The capture format record: FillVH's fields, its 32-bit bit rate, an interval of 0, and the
// whole-record copy of CapturePinSet/CapturePinGet.
#include <cstring>

#include <gtest/gtest.h>

#include "capture/nDirectShow.h"

namespace {

platform::VideoInfoHeader dirty() {
    platform::VideoInfoHeader v;
    std::memset(static_cast<void*>(&v), 0xA5, sizeof v);  // any field FillVH missed would show
    return v;
}

TEST(CaptureFormat, FillVHForEachSubtype) {
    struct Row {
        uint32_t w, h, fourcc;
        uint16_t bits;
        uint32_t size, rate;
    };
    const Row rows[] = {
        {1280, 800, platform::kFourCC_MJPG, 16, 2048000, 491520000},
        {640, 480, platform::kFourCC_YUY2, 16, 614400, 147456000},
        {320, 240, platform::kFourCC_RGB24, 24, 230400, 55296000},
    };
    for (const Row& r : rows) {
        platform::VideoInfoHeader v = dirty();
        EXPECT_EQ(TDirectShow::FillVH(v, r.w, r.h, 333333, r.fourcc), 0);
        EXPECT_EQ(v.rcSource.left | v.rcSource.top | v.rcSource.right | v.rcSource.bottom, 0);
        EXPECT_EQ(v.rcTarget.left | v.rcTarget.top | v.rcTarget.right | v.rcTarget.bottom, 0);
        EXPECT_EQ(v.dwBitRate, r.rate) << r.w;
        EXPECT_EQ(v.dwBitErrorRate, 0u);
        EXPECT_EQ(v.AvgTimePerFrame, 333333);
        EXPECT_EQ(v.bmiHeader.biSize, 40u);
        EXPECT_EQ(v.bmiHeader.biWidth, static_cast<int32_t>(r.w));
        EXPECT_EQ(v.bmiHeader.biHeight, static_cast<int32_t>(r.h));
        EXPECT_EQ(v.bmiHeader.biPlanes, 1);
        EXPECT_EQ(v.bmiHeader.biBitCount, r.bits);
        EXPECT_EQ(v.bmiHeader.biCompression, r.fourcc);
        EXPECT_EQ(v.bmiHeader.biSizeImage, r.size);
        EXPECT_EQ(v.bmiHeader.biXPelsPerMeter | v.bmiHeader.biYPelsPerMeter, 0);
        EXPECT_EQ(v.bmiHeader.biClrUsed | v.bmiHeader.biClrImportant, 0u);
    }
}

TEST(CaptureFormat, BitRateWrapsAndIntervalZeroIsThirtyFrames) {
    platform::VideoInfoHeader v = dirty();
    // 10 000 000 frames a second of 1920 x 1080 x 3 bytes: far past 32 bits.
    TDirectShow::FillVH(v, 1920, 1080, 1, platform::kFourCC_RGB24);
    const uint32_t expected = static_cast<uint32_t>(10000000ull * 1920 * 1080 * 3 * 8);
    EXPECT_EQ(v.dwBitRate, expected);

    v = dirty();
    TDirectShow::FillVH(v, 640, 480, 0, platform::kFourCC_YUY2);
    EXPECT_EQ(v.AvgTimePerFrame, 333333);
    EXPECT_EQ(v.dwBitRate, 147456000u);
}

TEST(CaptureFormat, PinSetAndGetCopyTheWholeRecord) {
    TDirectShow ds;
    EXPECT_EQ(ds.CapturePinGet().bmiHeader.biCompression, platform::kFourCC_None);
    platform::VideoInfoHeader v = dirty();
    TDirectShow::FillVH(v, 320, 240, 666666, platform::kFourCC_MJPG);
    v.rcSource = {1, 2, 3, 4};
    v.bmiHeader.biClrImportant = 7;
    ds.CapturePinSet(v);
    const platform::VideoInfoHeader back = ds.CapturePinGet();
    EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0);
    ds.SetCaptureSubtype(platform::kFourCC_YUY2);
    EXPECT_EQ(ds.CapturePinGet().bmiHeader.biCompression, platform::kFourCC_YUY2);
    EXPECT_EQ(ds.CapturePinGet().bmiHeader.biWidth, 320);
}

TEST(CaptureFormat, DisplayModesDoNothingWithoutAGraphOrFilter) {
    TDirectShow ds;
    EXPECT_FALSE(ds.FullScreen_get());
    ds.FullScreen_set(true);
    EXPECT_FALSE(ds.FullScreen_get());
    EXPECT_FALSE(ds.MotionEnabled_get());
    ds.MotionEnabled_set(true);
    EXPECT_FALSE(ds.MotionEnabled_get());
    const int32_t table[4] = {0, 2, 4, 6};
    ds.options().CaptureVideo = true;
    ds.SetZoomValue(150, table, sizeof table);  // no filter: nothing to hand it to
    EXPECT_EQ(ds.TransFilter(), nullptr);
    ds.ReSizeDS();
    ds.VCapCapturePinSet();  // no device
    EXPECT_FALSE(ds.PinSet());
}

}  // namespace
