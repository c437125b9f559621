// A virtual camera through the component's life: build, run, stop, resume, close, busy.
#include <gst/gst.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include "CaptureFixture.h"
#include "capture/VideoWidget.h"
#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "platform/media/VideoWindow.h"

namespace {

class CaptureLifecycle : public CaptureFixture {};

TEST_F(CaptureLifecycle, BuildRunStopResumeCloseFollowTheStates) {
    devices("camera:name=Desk Camera,vid=3a7b,pid=0b01");
    TDirectShow ds;
    ds.resize(320, 240);
    ds.show();
    ds.options().GraphRot = true;

    const uint64_t sleptBefore = platform::sleptMsTotal();
    ds.InitRunCapture("3a7b", "0b01", false);
    EXPECT_EQ(platform::sleptMsTotal() - sleptBefore, 200u);  // the settle wait after binding
    ASSERT_TRUE(ds.DeviceEnable());
    EXPECT_TRUE(ds.ComponentEnable());
    EXPECT_TRUE(ds.Ready());
    EXPECT_FALSE(ds.InRecord());
    EXPECT_EQ(ds.Caption(), "Preview");
    EXPECT_EQ(ds.CaptionState(), 1);
    EXPECT_EQ(ds.options().VID, "3a7b");
    EXPECT_EQ(ds.options().PID, "0b01");
    EXPECT_EQ(ds.options().VideoDevice, 0);
    EXPECT_EQ(ds.OpenFilterGraphResult(), 0);
    EXPECT_EQ(ds.OpenCaptureGraphBuilder2(), 0);
    auto graph = ds.Graph();
    ASSERT_TRUE(graph);
    EXPECT_TRUE(graph->findFilterByName("Source Capture"));
    EXPECT_TRUE(graph->findFilterByName("VMR"));
    EXPECT_FALSE(graph->findFilterByName("Audio Device"));  // a preview binds no microphone
    EXPECT_EQ(graph->currentState(), GST_STATE_NULL);       // built, not started
    auto window = graph->videoWindow();
    EXPECT_EQ(window->owner(), static_cast<void*>(&ds));
    EXPECT_EQ(window->messageDrain(), static_cast<void*>(&ds));
    EXPECT_EQ(window->windowStyle(), 0x44000000u);
    EXPECT_EQ(window->windowPosition().width, 320);
    EXPECT_EQ(window->windowPosition().height, 240);

    ds.Run();
    EXPECT_EQ(ds.RunGraphResult(), 0);
    EXPECT_EQ(graph->currentState(), GST_STATE_PLAYING);
    EXPECT_TRUE(window->visible());
    // The picture reaches the panel's video view on the GUI thread.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ds.VideoView()->framesPainted() >= 2; }));
    EXPECT_TRUE(ds.VideoView()->isVisible());
    EXPECT_EQ(ds.VideoView()->geometry(), QRect(0, 0, 320, 240));

    // Stop pauses the same graph and hides the video; Run resumes it.
    ds.Stop();
    EXPECT_EQ(graph->currentState(), GST_STATE_PAUSED);
    EXPECT_FALSE(window->visible());
    EXPECT_FALSE(ds.VideoView()->isVisible());
    EXPECT_TRUE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "Preview");
    const uint64_t before = window->framesDelivered();
    ds.Run();
    EXPECT_EQ(ds.RunGraphResult(), 0);
    EXPECT_EQ(ds.Graph(), graph);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->framesDelivered() >= before + 3; }));

    // Input on the video reaches the panel (its double-click opens the enlarged view).
    struct Spy : QObject {
        int clicks = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            clicks += e->type() == QEvent::MouseButtonDblClick ? 1 : 0;
            return false;
        }
    } spy;
    ds.installEventFilter(&spy);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(10, 10),
                    ds.VideoView()->mapToGlobal(QPointF(10, 10)), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(ds.VideoView(), &dbl);
    EXPECT_EQ(spy.clicks, 1);
    ds.removeEventFilter(&spy);

    int64_t position = 0;
    EXPECT_EQ(graph->getCurrentPosition(position), platform::S_Ok);
    EXPECT_GT(position, 0);

    ds.FullScreen_set(true);
    EXPECT_TRUE(ds.FullScreen_get());
    ds.FullScreen_set(false);
    EXPECT_FALSE(ds.FullScreen_get());

    GWeakRef pipeline;
    g_weak_ref_init(&pipeline, graph->pipeline());
    graph.reset();
    window.reset();
    ds.Close();
    EXPECT_FALSE(ds.DeviceEnable());
    EXPECT_FALSE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "No Preview");
    EXPECT_EQ(ds.CaptionState(), 0);
    EXPECT_FALSE(ds.Graph());
    EXPECT_FALSE(ds.VideoSource());
    EXPECT_FALSE(ds.VideoView()->isVisible());
    // Ids and index describe the last camera bound; they survive closing.
    EXPECT_EQ(ds.options().VID, "3a7b");
    // Every GStreamer object of the graph is gone once the component lets go.
    EXPECT_EQ(g_weak_ref_get(&pipeline), nullptr);
    g_weak_ref_clear(&pipeline);
    ds.Run();  // nothing to run
    EXPECT_EQ(ds.RunGraphResult(), 0);
}

TEST_F(CaptureLifecycle, BusyCameraShowsTheLockedCaption) {
    devices("camera:name=Held Camera,vid=3a7b,pid=0b01,busy=1");
    TDirectShow ds;
    ds.SetCaptionStrings("Nothing", "Looking", "Someone else has it");
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.DeviceEnable());  // the graph builds
    EXPECT_TRUE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "Looking");
    ds.Run();
    EXPECT_LT(ds.RunGraphResult(), 0);
    EXPECT_EQ(ds.RunGraphResult(), platform::E_DeviceInUse);
    EXPECT_EQ(ds.Caption(), "Someone else has it");
    EXPECT_EQ(ds.CaptionState(), 2);
    EXPECT_FALSE(ds.Ready());
    EXPECT_FALSE(ds.DeviceEnable());
    EXPECT_FALSE(ds.Graph());
    // The pending notification finds no graph and does nothing.
    QTest::qWait(200);
    ds.SetCaptionStrings("a", "b", "c");
    EXPECT_EQ(ds.Caption(), "c");
}

TEST_F(CaptureLifecycle, TearDownKeepsTheSourceAndRendererAndEmptiesTheGraph) {
    devices("camera:name=Desk Camera,vid=3a7b,pid=0b01,formats=MJPG");
    TDirectShow ds;
    platform::VideoInfoHeader format;
    TDirectShow::FillVH(format, 640, 480, 333333, platform::kFourCC_MJPG);
    ds.CapturePinSet(format);
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.Ready());
    auto graph = ds.Graph();
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    // The camera's JPEG frames needed a decoder on the way to the renderer.
    EXPECT_GT(graph->filters().size(), 2u);
    ds.TearDownGraph();
    EXPECT_EQ(graph->currentState(), GST_STATE_NULL);
    // The frame filter and the MJPEG chain are gone; the source, renderer and tee stay, loose.
    ASSERT_EQ(graph->filters().size(), 3u);
    EXPECT_EQ(graph->filters()[0], ds.VideoSource());
    EXPECT_TRUE(graph->findFilterByName("VMR"));
    EXPECT_TRUE(graph->findFilterByName("Smart Tee"));
    EXPECT_FALSE(graph->findFilterByName("My TransFilter"));
    EXPECT_FALSE(graph->findFilterByName("MJPEGDEC"));
    for (const auto& f : graph->filters()) {
        for (const auto& pin : f.pins()) {
            EXPECT_FALSE(pin.isConnected()) << f.name();
        }
    }
    EXPECT_FALSE(graph->videoWindow()->visible());
    EXPECT_EQ(graph->videoWindow()->owner(), nullptr);
}

TEST_F(CaptureLifecycle, DestroyMessageReleasesTheGraphOnly) {
    devices("camera:name=Desk Camera,vid=3a7b,pid=0b01");
    TDirectShow ds;
    ds.InitRunCapture("3a7b", "0b01", false);
    ds.Run();
    ASSERT_TRUE(ds.Graph());
    EXPECT_TRUE(ds.CompWinProc(TDirectShow::WM_DESTROY));
    EXPECT_FALSE(ds.Graph());
    EXPECT_FALSE(ds.VideoSource());
    EXPECT_FALSE(ds.CompWinProc(0x0200));  // other messages go to the panel's own handling
}

TEST_F(CaptureLifecycle, NoCameraLeavesTheComponentDisabled) {
    devices("microphone:name=Only A Microphone");
    TDirectShow ds;
    ds.InitRunCapture("3a7b", "0b01", false);
    EXPECT_FALSE(ds.DeviceEnable());
    EXPECT_FALSE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "No Preview");
    ds.Run();
    EXPECT_EQ(ds.RunGraphResult(), 0);
}

}  // namespace
