// Stills out of running graphs on virtual cameras: row order by frame type and SnapFlip, the
// handshake's refusals, and a camera that delivers another size than asked for.
#include <QImage>

#include "CaptureFixture.h"
#include "capture/nDirectShow.h"
#include "filter/MyTransFilter.h"
#include "platform/Sleep.h"
#include "platform/media/StreamConfig.h"

using namespace platform::media;

namespace {

class StillImage : public CaptureFixture {
  protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        platform::setSleepScale(1.0);  // the still waits must let real frames arrive
    }
    // Share of the pixels of row y that are the debug overlay's grey line (luma 175).
    static double greyShare(const QImage& img, int y) {
        int n = 0;
        for (int x = 1; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += (std::abs(qRed(p) - 175) <= 3 && std::abs(qGreen(p) - 175) <= 3 &&
                  std::abs(qBlue(p) - 175) <= 3)
                     ? 1
                     : 0;
        }
        return static_cast<double>(n) / img.width();
    }
    // Pure red stamp pixels in the rows [top, bottom).
    static int redPixels(const QImage& img, int top, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QRgb p = img.pixel(x, y);
                n += (qRed(p) > 150 && qGreen(p) < 40 && qBlue(p) < 40) ? 1 : 0;
            }
        }
        return n;
    }
};

TEST_F(StillImage, Yuy2StillIsUprightAndSnapFlipTurnsIt) {
    devices("camera:name=C,vid=3a7b,pid=0b01");
    TDirectShow ds;
    ds.options().StillByTransFtr = true;
    ds.options().ShowStreamDebug = true;  // grey rate-graph lines 15 and 75 rows above the bottom
    ds.CapturePinSet(format(320, 240, platform::kFourCC_YUY2));
    ds.InitRunCapture("3a7b", "0b01", false);
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);

    ASSERT_TRUE(ds.StillImg());
    QImage still;
    ASSERT_TRUE(ds.GetImg(still));
    EXPECT_EQ(still.size(), QSize(320, 240));
    EXPECT_EQ(still.format(), QImage::Format_BGR888);
    EXPECT_GT(greyShare(still, 240 - 15), 0.8);
    EXPECT_GT(greyShare(still, 240 - 75), 0.8);
    EXPECT_LT(greyShare(still, 14), 0.2);

    ds.options().SnapFlip = true;
    ASSERT_TRUE(ds.StillImg());
    ASSERT_TRUE(ds.GetImg(still));
    EXPECT_GT(greyShare(still, 14), 0.8);
    EXPECT_GT(greyShare(still, 74), 0.8);
    EXPECT_LT(greyShare(still, 240 - 15), 0.2);
}

TEST_F(StillImage, Rgb24StillIsUprightAndSnapFlipTurnsIt) {
    // A record build burns the date into the bottom-right corner of RGB24 frames, in red.
    devices("camera:name=C,vid=3a7b,pid=0b01,formats=RGB24");
    TDirectShow ds;
    ds.options().StillByTransFtr = true;
    ds.options().ShowDate = true;
    ds.options().CaptureVideo = true;
    ds.CapturePinSet(format(320, 240, platform::kFourCC_RGB24));
    ds.InitRunCapture("3a7b", "0b01", true);
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);

    ASSERT_TRUE(ds.StillImg());
    QImage still;
    ASSERT_TRUE(ds.GetImg(still));
    ASSERT_EQ(still.size(), QSize(320, 240));
    EXPECT_EQ(ds.TransFilter()->isYuy2(), 0);
    EXPECT_GT(redPixels(still, 240 - 30, 240), 50);
    EXPECT_EQ(redPixels(still, 0, 30), 0);

    ds.options().SnapFlip = true;
    ASSERT_TRUE(ds.StillImg());
    ASSERT_TRUE(ds.GetImg(still));
    EXPECT_GT(redPixels(still, 0, 30), 50);
    EXPECT_EQ(redPixels(still, 240 - 30, 240), 0);
}

TEST_F(StillImage, NoStillWithoutReadyFilterOrFrames) {
    devices("camera:name=C,vid=3a7b,pid=0b01");
    TDirectShow ds;
    QImage still(4, 4, QImage::Format_RGB888);
    EXPECT_FALSE(ds.StillImg());
    EXPECT_FALSE(ds.GetImg(still));  // no filter: nothing to copy, and nothing left behind
    EXPECT_TRUE(still.isNull());

    ds.options().StillByTransFtr = true;
    ds.CapturePinSet(format(320, 240, platform::kFourCC_YUY2));
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());
    EXPECT_FALSE(ds.GetImg(still));  // built, never streamed: the buffer was never filled
    EXPECT_TRUE(still.isNull());

    // Not running: 500 polls pass without a still; the request stays for the next frame.
    platform::setSleepScale(0.0);
    EXPECT_FALSE(ds.StillImg());
    EXPECT_TRUE(ds.TransFilter()->stillRequested());
    platform::setSleepScale(1.0);
    ds.Run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ds.TransFilter()->stillReady(); }));
    ASSERT_TRUE(ds.GetImg(still));

    // Without Ready the flags are left alone.
    ds.Close();
    EXPECT_FALSE(ds.StillImg());
    EXPECT_TRUE(ds.TransFilter()->stillReady());
    EXPECT_FALSE(ds.TransFilter()->stillRequested());
}

TEST_F(StillImage, CameraKeepingAnotherSizeGivesAStillOfItsFrames) {
    devices("camera:name=C,vid=3a7b,pid=0b01");
    TDirectShow ds;
    ds.options().StillByTransFtr = true;
    ds.options().ShowStreamDebug = true;
    ds.CapturePinSet(format(1280, 800, platform::kFourCC_YUY2));
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());
    // The camera takes the format and then delivers something else, as some drivers do.
    StreamConfig config;
    ASSERT_EQ(StreamConfig::find(ds.VideoSource(), config), platform::S_Ok);
    VideoMediaType other;
    other.subtype = VideoSubtype::YUY2;
    other.format = format(320, 240, platform::kFourCC_YUY2);
    ASSERT_EQ(config.setFormat(other), platform::S_Ok);
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);

    ASSERT_TRUE(ds.StillImg());
    QImage still;
    ASSERT_TRUE(ds.GetImg(still));
    EXPECT_EQ(still.size(), QSize(320, 240));
    EXPECT_GT(greyShare(still, 240 - 15), 0.8);  // whole rows in their places
}

}  // namespace
