// The branded component on virtual cameras: the preview rendered by category through the
// preview branch's filter, renderer choice, the YUY2-or-RGB24 capture subtype, the camera and
// microphone searches, and stills that come from the preview filter and never while recording.
#include <filesystem>

#include <QImage>

#include "CaptureFixture.h"
#include "capture/nDirectShow.h"
#include "filter/MyTransFilter.h"
#include "platform/Sleep.h"
#include "platform/media/MediaTypes.h"
#include "platform/media/StreamConfig.h"
#include "support/TestEnvironment.h"

using namespace platform::media;

namespace {

class BrandedCapture : public CaptureFixture {
  protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        platform::setSleepScale(1.0);  // stills need real frames
    }
    static bool has(const TDirectShow& ds, const char* name) {
        return static_cast<bool>(ds.Graph()->findFilterByName(name));
    }
    // The source's negotiated frame format name ("YUY2", "BGR", ...), once the graph runs.
    static std::string negotiatedFormat(const TDirectShow& ds) {
        for (Pin& pin : ds.VideoSource().pins()) {
            if (pin.direction() != PinDirection::Output || pin.pad() == nullptr) {
                continue;
            }
            g_autoptr(GstCaps) caps = gst_pad_get_current_caps(pin.pad());
            if (caps != nullptr && gst_caps_get_size(caps) > 0) {
                const gchar* f =
                    gst_structure_get_string(gst_caps_get_structure(caps, 0), "format");
                return f != nullptr ? f : "";
            }
        }
        return "";
    }
};

TEST_F(BrandedCapture, StillsComeFromThePreviewFilterOnADefaultRenderer) {
    devices("camera:name=C,vid=3a7b,pid=0d01");
    TDirectShow ds(nullptr, nullptr, CaptureVariant::Branded);
    ds.options().CaptureVideo = true;
    ds.options().StillByTransFtr = true;
    ds.CapturePinSet(format(320, 240, platform::kFourCC_YUY2));
    ds.InitRunCapture("3a7b", "0d01", false);

    EXPECT_EQ(static_cast<uint32_t>(ds.OpenVideoMixingRenderer9()), 0x80000000u);
    EXPECT_EQ(ds.VMR_VER_get(), 7);
    EXPECT_EQ(ds.PreviewRanderResult(), 0);  // the capture output, straight through the filter
    EXPECT_TRUE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "Preview");
    EXPECT_TRUE(has(ds, "My PrvTransFilter"));
    EXPECT_TRUE(has(ds, "Video Renderer"));
    for (const char* absent : {"My TransFilter", "Smart Tee", "MJPEGDEC", "COLORCONV", "VMR"}) {
        EXPECT_FALSE(has(ds, absent)) << absent;
    }
    EXPECT_EQ(ds.TransFilter(), nullptr);
    ASSERT_NE(ds.PrvTransFilter(), nullptr);
    EXPECT_EQ(ds.PrvTransFilter()->variant(), filter::FilterVariant::Branded);

    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    ASSERT_TRUE(ds.StillImg());
    QImage still;
    ASSERT_TRUE(ds.GetImg(still));
    EXPECT_EQ(still.size(), QSize(320, 240));
    EXPECT_TRUE(ds.PrvTransFilter()->stillFilled());

    // The kept filter joins the next graph; the motion trigger is the preview filter's.
    ds.MotionEnabled_set(true);
    EXPECT_TRUE(ds.PrvTransFilter()->motionEnabled());
    filter::MyTransFilter* kept = ds.PrvTransFilter();
    ds.InitRunCapture("", "", false);  // the stored ids find the same camera
    EXPECT_TRUE(ds.DeviceEnable());
    EXPECT_EQ(ds.PrvTransFilter(), kept);
    ds.Close();
}

TEST_F(BrandedCapture, WithoutStampOrStillThePreviewPinIsRenderedThroughATee) {
    devices("camera:name=C,vid=3a7b,pid=0d01");
    TDirectShow ds(nullptr, nullptr, CaptureVariant::Branded);
    ds.options().CaptureVideo = true;
    ds.VMR_VER_set(9);
    ds.CapturePinSet(format(320, 240, platform::kFourCC_YUY2));
    ds.InitRunCapture("3a7b", "0d01", false);

    EXPECT_EQ(ds.OpenVideoMixingRenderer9(), 0);
    EXPECT_EQ(ds.VMR_VER_get(), 9);
    EXPECT_EQ(ds.PreviewRanderResult(), S_NoPreviewPin);  // accepted: the caption says Preview
    EXPECT_TRUE(ds.Ready());
    EXPECT_TRUE(has(ds, "Smart Tee"));
    EXPECT_TRUE(has(ds, "VMR"));
    EXPECT_FALSE(has(ds, "Video Renderer"));
    EXPECT_FALSE(has(ds, "My PrvTransFilter"));
    ds.Run();
    EXPECT_EQ(ds.RunGraphResult(), 0);
    platform::setSleepScale(0.0);
    EXPECT_FALSE(ds.StillImg());  // no filter, no still
    ds.Close();
}

TEST_F(BrandedCapture, WithoutCaptureVideoNothingRendersTheCamera) {
    devices("camera:name=C,vid=3a7b,pid=0d01");
    TDirectShow ds(nullptr, nullptr, CaptureVariant::Branded);
    ds.options().StillByTransFtr = true;
    ds.InitRunCapture("3a7b", "0d01", false);
    EXPECT_TRUE(ds.DeviceEnable());
    EXPECT_FALSE(has(ds, "My PrvTransFilter"));
}

TEST_F(BrandedCapture, CameraIsAskedForYuy2WhateverTheNonZeroCode) {
    devices("camera:name=C,vid=3a7b,pid=0d01,formats=MJPG|YUY2");
    TDirectShow ds(nullptr, nullptr, CaptureVariant::Branded);
    ds.options().CaptureVideo = true;
    ds.options().StillByTransFtr = true;
    ds.CapturePinSet(format(320, 240, platform::kFourCC_MJPG));
    ds.InitRunCapture("3a7b", "0d01", false);
    EXPECT_FALSE(has(ds, "MJPEGDEC"));
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !negotiatedFormat(ds).empty(); }));
    EXPECT_EQ(negotiatedFormat(ds), "YUY2");
    ds.Close();
}

TEST_F(BrandedCapture, Rgb24StillsComeFromEveryFrameAndSnapFlipTurnsThem) {
    devices("camera:name=C,vid=3a7b,pid=0d01,formats=RGB24");
    TDirectShow ds(nullptr, nullptr, CaptureVariant::Branded);
    ds.options().CaptureVideo = true;
    ds.options().StillByTransFtr = true;
    ds.CapturePinSet(format(320, 240, platform::kFourCC_RGB24));
    ds.InitRunCapture("3a7b", "0d01", false);
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    ASSERT_TRUE(ds.StillImg());
    QImage upright;
    ASSERT_TRUE(ds.GetImg(upright));
    ds.options().SnapFlip = true;
    QImage flipped;
    ASSERT_TRUE(ds.GetImg(flipped));  // the same still, laid the other way
    EXPECT_EQ(ds.PrvTransFilter()->isYuy2(), 0);
    EXPECT_EQ(upright.mirrored(false, true), flipped);
    ds.Close();
}

TEST_F(BrandedCapture, StoredIdsReplaceTheFallbackListAndAnEmptyMicrophoneListKeepsSound) {
    devices("camera:name=A,vid=3a7b,pid=0d01;camera:name=B,vid=3a7b,pid=0d02");
    TDirectShow ds(nullptr, nullptr, CaptureVariant::Branded);
    ds.options().CaptureVideo = true;
    ds.FWriteSupportDev({"3a7b&0d01"});  // the main component's fallback; unused here
    ds.options().VID = "3a7b";
    ds.options().PID = "0d02";
    ds.InitRunCapture("", "", false);
    ASSERT_TRUE(ds.DeviceEnable());
    EXPECT_EQ(ds.options().VideoDevice, 1);
    ds.InitRunCapture("", "0d01", false);  // a product id alone replaces the stored one
    EXPECT_EQ(ds.options().PID, "0d01");
    EXPECT_EQ(ds.options().VideoDevice, 1);  // the search starts at VideoDevice: B does not match
    EXPECT_FALSE(ds.DeviceEnable());

    ds.options().VideoDevice = 0;
    ds.options().CaptureAudio = true;
    ds.InitRunCapture("3a7b", "0d01", true);  // no microphones at all
    EXPECT_TRUE(ds.options().CaptureAudio);
    ds.Close();
}

TEST_F(BrandedCapture, RecordingBuildTakesNoStillsAndWritesAClip) {
    devices("camera:name=C,vid=3a7b,pid=0d01;microphone:name=M");
    TDirectShow ds(nullptr, nullptr, CaptureVariant::Branded);
    ds.options().CaptureVideo = true;
    ds.options().CaptureAudio = true;
    ds.options().StillByTransFtr = true;
    ds.options().AddTimeStr = true;
    ds.options().ShowDate = true;
    ds.CapturePinSet(format(320, 240, platform::kFourCC_YUY2));
    const std::string clip = testenv::tempDir() + "/branded.avi";
    ASSERT_TRUE(ds.StartRecord(clip));
    EXPECT_TRUE(ds.InRecord());
    EXPECT_EQ(ds.PreviewRanderResult(), S_NoPreviewPin);
    EXPECT_TRUE(ds.Ready());
    for (const char* name : {"My TransFilter", "My PrvTransFilter", "Smart Tee", "Audio Device"}) {
        EXPECT_TRUE(has(ds, name)) << name;
    }
    // Stamps on the recording's preview; the capture branch burns the date but no time.
    EXPECT_TRUE(ds.PrvTransFilter()->addTime());
    EXPECT_FALSE(ds.PrvTransFilter()->stillByFilter());
    EXPECT_FALSE(ds.TransFilter()->addTime());
    EXPECT_TRUE(ds.TransFilter()->showDate());
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    ds.StartCapture();
    EXPECT_FALSE(ds.StillImg());  // refused at once while recording
    EXPECT_FALSE(ds.PrvTransFilter()->stillRequested());
    QTest::qWait(1500);
    ds.StopRecord();
    EXPECT_FALSE(ds.InRecord());
    EXPECT_TRUE(ds.PrvTransFilter()->stillByFilter());
    std::error_code ec;
    EXPECT_GT(std::filesystem::file_size(clip, ec), 10000u);
    ds.Run();
    EXPECT_TRUE(ds.StillImg());
    ds.Close();
}

}  // namespace
