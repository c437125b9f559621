// The preview build on virtual cameras: capture format, frame filter, MJPEG chain, refusal, the
// record build without streams, and the graph utilities.
#include <gst/gst.h>

#include "CaptureFixture.h"
#include "capture/nDirectShow.h"
#include "filter/MyTransFilter.h"
#include "platform/media/CaptureGraphBuilder.h"
#include "platform/media/StreamConfig.h"
#include "platform/media/VideoWindow.h"
#include "support/TestEnvironment.h"

using namespace platform::media;

namespace {

class PreviewBuild : public CaptureFixture {
  protected:
    static VideoMediaType cameraFormat(const TDirectShow& ds) {
        StreamConfig config;
        VideoMediaType t;
        EXPECT_EQ(StreamConfig::find(ds.VideoSource(), config), platform::S_Ok);
        EXPECT_EQ(config.getFormat(t), platform::S_Ok);
        return t;
    }
    static bool linked(const std::shared_ptr<FilterGraph>& g, const char* up, const char* down) {
        Filter u = g->findFilterByName(up);
        Filter d = g->findFilterByName(down);
        for (const Pin& p : u.pins()) {
            if (p.direction() == PinDirection::Output && p.isConnected()) {
                Filter peer = p.connectedTo().filter();
                // Converters the graph put in between count as part of the link.
                for (int hop = 0; hop < 4 && peer && !(peer == d); ++hop) {
                    Pin next;
                    CaptureGraphBuilder::findPin(peer, PinDirection::Output, PinCategory::None,
                                                 MajorType::Any, false, 0, next);
                    peer = next && next.isConnected() ? next.connectedTo().filter() : Filter();
                }
                if (peer == d) {
                    return true;
                }
            }
        }
        return false;
    }
    static bool anyPinConnected(const std::shared_ptr<FilterGraph>& g) {
        for (const Filter& f : g->filters()) {
            for (const Pin& p : f.pins()) {
                if (p.isConnected()) {
                    return true;
                }
            }
        }
        return false;
    }
};

TEST_F(PreviewBuild, UntouchedFormatLeavesTheCameraAloneAndTheFilterAt640x480) {
    devices("camera:name=C,vid=3a7b,pid=0b01,formats=RGB24;camera:name=D,vid=3a7b,pid=0b02");
    TDirectShow ds;
    ds.resize(200, 150);
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());
    auto g = ds.Graph();
    // The camera keeps its own format; no MJPEG chain; the tee stays loose.
    const VideoMediaType own = cameraFormat(ds);
    EXPECT_EQ(own.subtype, VideoSubtype::RGB24);
    EXPECT_EQ(own.format.bmiHeader.biWidth, 640);
    EXPECT_FALSE(g->findFilterByName("MJPEGDEC"));
    EXPECT_FALSE(g->findFilterByName("COLORCONV"));
    ASSERT_TRUE(g->findFilterByName("Smart Tee"));
    for (const Pin& p : g->findFilterByName("Smart Tee").pins()) {
        EXPECT_FALSE(p.isConnected());
    }
    ASSERT_NE(ds.TransFilter(), nullptr);
    EXPECT_EQ(ds.TransFilter()->requestedWidth(), 640);
    EXPECT_EQ(ds.TransFilter()->requestedHeight(), 480);
    EXPECT_TRUE(linked(g, "Source Capture", "My TransFilter"));
    EXPECT_TRUE(linked(g, "My TransFilter", "VMR"));
    // The video window covers the panel.
    EXPECT_EQ(g->videoWindow()->windowPosition().width, 200);
    EXPECT_EQ(g->videoWindow()->windowPosition().height, 150);
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return g->videoWindow()->framesDelivered() >= 3; }));
    EXPECT_TRUE(ds.TransFilter()->streaming());
    EXPECT_EQ(ds.TransFilter()->isYuy2(), 0);
}

TEST_F(PreviewBuild, MjpgAt1280x800GetsTheCameraFormatAndTheDecoderChain) {
    devices("camera:name=C,vid=3a7b,pid=0b01,formats=YUY2|MJPG");
    TDirectShow ds;
    ds.CapturePinSet(format(1280, 800, platform::kFourCC_MJPG));
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "Preview");
    auto g = ds.Graph();
    const VideoMediaType set = cameraFormat(ds);
    EXPECT_EQ(set.subtype, VideoSubtype::MJPG);
    EXPECT_EQ(set.format.bmiHeader.biWidth, 1280);
    EXPECT_EQ(set.format.bmiHeader.biHeight, 800);
    EXPECT_EQ(set.format.AvgTimePerFrame, 333333);
    EXPECT_TRUE(linked(g, "Source Capture", "MJPEGDEC"));
    EXPECT_TRUE(linked(g, "MJPEGDEC", "COLORCONV"));
    EXPECT_TRUE(linked(g, "COLORCONV", "My TransFilter"));
    EXPECT_TRUE(linked(g, "My TransFilter", "VMR"));
    EXPECT_EQ(ds.TransFilter()->requestedWidth(), 1280);
    EXPECT_EQ(ds.TransFilter()->requestedHeight(), 800);
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return g->videoWindow()->framesDelivered() >= 2; }));
    VideoFrame frame;
    ASSERT_TRUE(g->videoWindow()->latestFrame(frame));
    EXPECT_EQ(frame.width, 1280);
    EXPECT_EQ(frame.height, 800);
}

TEST_F(PreviewBuild, Rgb24AndYuy2AskTheCameraForTheirSubtype) {
    devices("camera:name=C,vid=3a7b,pid=0b01");
    TDirectShow ds;
    ds.CapturePinSet(format(320, 240, platform::kFourCC_RGB24));
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());
    VideoMediaType set = cameraFormat(ds);
    EXPECT_EQ(set.subtype, VideoSubtype::RGB24);
    EXPECT_EQ(set.format.bmiHeader.biBitCount, 24);
    EXPECT_EQ(set.format.bmiHeader.biSizeImage, 320u * 240u * 3u);
    ds.Run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ds.TransFilter()->streaming(); }));
    EXPECT_EQ(ds.TransFilter()->isYuy2(), 0);

    // Any FOURCC but MJPG and 0 asks for YUY2; the same filter serves the next build.
    filter::MyTransFilter* first = ds.TransFilter();
    ds.CapturePinSet(format(640, 480, platform::makeFourCC('N', 'V', '1', '2')));
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());
    set = cameraFormat(ds);
    EXPECT_EQ(set.subtype, VideoSubtype::YUY2);
    EXPECT_EQ(ds.TransFilter(), first);
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ds.Graph()->videoWindow()->framesDelivered() >= 2; }));
    EXPECT_EQ(ds.TransFilter()->isYuy2(), 1);
}

// A camera that cannot deliver what was asked is a failed build: nothing to run, nothing to
// record, whatever state an earlier build left.
TEST_F(PreviewBuild, CameraRefusingTheFormatIsAFailedBuildThatNeitherRunsNorRecords) {
    devices("camera:name=C,vid=3a7b,pid=0b01,formats=MJPG");
    TDirectShow ds;
    ds.CapturePinSet(format(640, 480, platform::kFourCC_MJPG));
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());

    ds.CapturePinSet(format(640, 480, platform::kFourCC_YUY2));
    ds.InitRunCapture("3a7b", "0b01", false);
    EXPECT_TRUE(ds.DeviceEnable());
    EXPECT_FALSE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "Graph render fail");
    EXPECT_EQ(ds.CaptionState(), 2);
    auto g = ds.Graph();
    ASSERT_TRUE(g);
    EXPECT_FALSE(g->findFilterByName("My TransFilter"));
    EXPECT_FALSE(anyPinConnected(g));
    EXPECT_EQ(g->videoWindow()->owner(), nullptr);
    ds.Run();
    EXPECT_NE(g->currentState(), GST_STATE_PLAYING);

    // A recording start on it: no branch, no running graph, no elapsed time.
    ds.options().CaptureVideo = true;
    ASSERT_TRUE(ds.StartRecord(testenv::tempDir() + "/refused.avi"));
    EXPECT_FALSE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "Graph render fail");
    ds.Run();
    ds.StartCapture();
    EXPECT_FALSE(ds.CaptureStarted());
    EXPECT_NE(ds.Graph()->currentState(), GST_STATE_PLAYING);
    EXPECT_FALSE(ds.Graph()->findFilterByName("File Writer"));
}

// A camera without format choice keeps its own format: fine for a YUY2 row, but the MJPEG
// decoder of an MJPG row cannot take it, and a preview with a broken link shows nothing.
TEST_F(PreviewBuild, BrokenPreviewLinkIsAFailedBuild) {
    devices("camera:name=C,vid=3a7b,pid=0c01,formats=YUY2,fixed=1");
    TDirectShow ds;
    ds.CapturePinSet(format(640, 480, platform::kFourCC_YUY2));
    ds.InitRunCapture("3a7b", "0c01", false);
    ASSERT_TRUE(ds.Ready());
    ds.Run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ds.Graph()->videoWindow()->framesDelivered() >= 2; }));

    ds.CapturePinSet(format(640, 480, platform::kFourCC_MJPG));
    ds.InitRunCapture("3a7b", "0c01", false);
    EXPECT_TRUE(ds.DeviceEnable());
    EXPECT_FALSE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "Graph render fail");
    EXPECT_EQ(ds.CaptionState(), 2);
    ds.Run();
    EXPECT_NE(ds.Graph()->currentState(), GST_STATE_PLAYING);
}

TEST_F(PreviewBuild, RecordBuildWithNeitherStreamConnectsNothing) {
    devices("camera:name=C,vid=3a7b,pid=0b01;microphone:name=M");
    TDirectShow ds;
    ds.CapturePinSet(format(640, 480, platform::kFourCC_YUY2));
    ds.options().CaptureVideo = false;
    ds.options().CaptureAudio = false;
    ds.options().AddTimeStr = true;
    ds.options().ShowDate = true;
    ds.InitRunCapture("3a7b", "0b01", true);
    ASSERT_TRUE(ds.DeviceEnable());
    EXPECT_TRUE(ds.InRecord());
    EXPECT_TRUE(ds.Ready());
    auto g = ds.Graph();
    EXPECT_TRUE(g->findFilterByName("Audio Device"));
    EXPECT_TRUE(g->findFilterByName("My TransFilter"));
    EXPECT_FALSE(anyPinConnected(g));
    // Stamps go only into recordings; a preview build turns them off again.
    EXPECT_TRUE(ds.TransFilter()->showDate());
    EXPECT_TRUE(ds.TransFilter()->addTime());
    ds.InitRunCapture("3a7b", "0b01", false);
    EXPECT_FALSE(ds.TransFilter()->showDate());
    EXPECT_FALSE(ds.TransFilter()->addTime());
}

TEST_F(PreviewBuild, BusyCameraShowsLockedByAnotherApplication) {
    devices("camera:name=Held,vid=3a7b,pid=0b01,busy=1");
    TDirectShow ds;
    ds.CapturePinSet(format(640, 480, platform::kFourCC_YUY2));
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());
    ds.Run();
    EXPECT_LT(ds.RunGraphResult(), 0);
    EXPECT_EQ(ds.Caption(), "Locked by another application");
    EXPECT_FALSE(ds.Ready());
    // The kept filter is free again for the next build.
    ASSERT_NE(ds.TransFilter(), nullptr);
    EXPECT_EQ(GST_OBJECT_PARENT(ds.TransFilterElement().element()), nullptr);
}

TEST_F(PreviewBuild, GraphUtilities) {
    devices("camera:name=C,vid=3a7b,pid=0b01");
    TDirectShow ds;
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());
    auto g = ds.Graph();
    // The renderer has only an input.
    const Filter vmr = g->findFilterByName("VMR");
    EXPECT_FALSE(TDirectShow::GetPin(vmr, PinDirection::Output));
    EXPECT_TRUE(TDirectShow::GetPin(vmr, PinDirection::Input));
    EXPECT_FALSE(TDirectShow::GetPin(Filter(), PinDirection::Input));

    Filter made;
    EXPECT_EQ(TDirectShow::AddFilterByClsid(g, "Nothing", "no-such-element", made),
              E_ClassNotRegistered);
    EXPECT_FALSE(made);
    ASSERT_EQ(TDirectShow::AddFilterByClsid(g, "Pattern", "videotestsrc", made), platform::S_Ok);
    EXPECT_EQ(g->findFilterByName("Pattern"), made);
    Filter sink;
    ASSERT_EQ(TDirectShow::AddFilterByClsid(g, "Sink", "fakesink", sink), platform::S_Ok);
    // A source without a capture pin: the first free output of any category is used.
    EXPECT_EQ(ds.FiltersConnect(made, sink, PinCategory::Capture, MajorType::Any), platform::S_Ok);
    EXPECT_TRUE(TDirectShow::GetPin(made, PinDirection::Output).isConnected());
    // Nothing left to connect on either side.
    EXPECT_LT(ds.FiltersConnect(made, sink, PinCategory::Capture, MajorType::Any), 0);
}

TEST_F(PreviewBuild, MjpgCameraKeepingItsOwnFormatStillPreviews) {
    devices("camera:name=C,vid=3a7b,pid=0c01,formats=MJPG");
    TDirectShow ds;
    ds.InitRunCapture("3a7b", "0c01", false);
    ASSERT_TRUE(ds.Ready());
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    auto g = ds.Graph();
    EXPECT_TRUE(QTest::qWaitFor([&] { return g->videoWindow()->framesDelivered() >= 2; }));
}

TEST_F(PreviewBuild, ZoomMotionAndResizeReachTheFilterAndWindow) {
    devices("camera:name=C,vid=3a7b,pid=0b01");
    TDirectShow ds;
    ds.resize(320, 240);
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());
    filter::MyTransFilter* tf = ds.TransFilter();
    ASSERT_NE(tf, nullptr);
    const int32_t table[4] = {6, 4, 2, 0};
    ds.options().CaptureVideo = false;
    ds.SetZoomValue(150, table, sizeof table);
    EXPECT_EQ(tf->zoom(), 100);
    EXPECT_EQ(tf->zoomMapEntry(0), 0);
    ds.options().CaptureVideo = true;
    ds.SetZoomValue(150, table, sizeof table);
    EXPECT_EQ(tf->zoom(), 150);
    EXPECT_EQ(tf->zoomMapEntry(0), 6);
    EXPECT_EQ(tf->zoomMapEntry(3), 0);

    ds.MotionEnabled_set(true);
    EXPECT_TRUE(ds.MotionEnabled_get());
    EXPECT_TRUE(tf->motionEnabled());

    ds.resize(400, 300);
    ds.ReSizeDS();
    EXPECT_EQ(ds.Graph()->videoWindow()->windowPosition().width, 400);
    EXPECT_EQ(ds.Graph()->videoWindow()->windowPosition().height, 300);
}

}  // namespace
