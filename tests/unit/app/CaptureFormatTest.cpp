// The capture format record for a size.
#include <gtest/gtest.h>

#include "app/CaptureFormat.h"

TEST(CaptureFormat, FieldsFollowFromSizeAndRate) {
    const platform::VideoInfoHeader v = app::MakeCaptureFormat(640, 30, 480);
    EXPECT_EQ(v.dwBitRate, 30u * 640 * 480 * 16);
    EXPECT_EQ(v.AvgTimePerFrame, 333333);
    EXPECT_EQ(v.bmiHeader.biSize, 40u);
    EXPECT_EQ(v.bmiHeader.biWidth, 640);
    EXPECT_EQ(v.bmiHeader.biHeight, 480);
    EXPECT_EQ(v.bmiHeader.biPlanes, 1);
    EXPECT_EQ(v.bmiHeader.biBitCount, 16);
    EXPECT_EQ(v.bmiHeader.biCompression, platform::kFourCC_YUY2);
    EXPECT_EQ(v.bmiHeader.biSizeImage, 640u * 480 * 2);
    EXPECT_EQ(v.rcSource.right, 0);
    EXPECT_EQ(v.dwBitErrorRate, 0u);

    const platform::VideoInfoHeader wide = app::MakeCaptureFormat(1280, 30, 800);
    EXPECT_EQ(wide.dwBitRate, 491520000u);
    EXPECT_EQ(wide.bmiHeader.biSizeImage, 2048000u);

    EXPECT_EQ(app::MakeCaptureFormat(640, 0, 480).AvgTimePerFrame, 333333);  // no division by zero
}
