// Real pipelines on virtual devices: build, run, pause, stop, events, converters, leaks.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include <gst/gst.h>

#include "platform/media/CaptureGraphBuilder.h"
#include "platform/media/DeviceEnumerator.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/SmartTee.h"
#include "platform/media/VideoRenderer.h"
#include "platform/media/VideoWindow.h"
#include "platform/media/VirtualDeviceProvider.h"
#include "support/TestEnvironment.h"
#include "support/Wait.h"

using namespace platform;
using namespace platform::media;

namespace {

class FilterGraphTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MediaRuntime::initialise());
        DeviceEnumerator::setRealDevicesEnabled(false);
    }
    void TearDown() override { VirtualDeviceProvider::configure(""); }

    static Filter bindFirst(DeviceCategory category) {
        std::vector<Moniker> list;
        EXPECT_EQ(DeviceEnumerator::createClassEnumerator(category, list), S_Ok);
        Filter f;
        if (!list.empty()) {
            EXPECT_EQ(list[0].bindToObject(f), S_Ok);
        }
        return f;
    }

    static Pin pinOf(const Filter& f, PinDirection dir) {
        Pin p;
        CaptureGraphBuilder::findPin(f, dir, PinCategory::None, MajorType::Any, true, 0, p);
        return p;
    }

    static bool waitFrames(VideoWindow& w, uint64_t atLeast) {
        return testenv::waitUntil([&] { return w.framesDelivered() >= atLeast; }, 5000);
    }
};

TEST_F(FilterGraphTest, CameraPreviewRunsPausesResumesAndStops) {
    VirtualDeviceProvider::configure("camera:name=Desk Camera,vid=3a7b,pid=0b01");
    Filter cam = bindFirst(DeviceCategory::VideoInput);
    ASSERT_TRUE(cam);
    Filter vmr = VideoRenderer::create();
    std::shared_ptr<FilterGraph> g;
    ASSERT_EQ(FilterGraph::create(g), S_Ok);
    ASSERT_EQ(g->addFilter(cam, "Source Capture"), S_Ok);
    ASSERT_EQ(g->addFilter(vmr, "VMR"), S_Ok);
    EXPECT_EQ(g->addFilter(vmr, "Other"), E_InvalidArg);
    EXPECT_EQ(g->addFilter(VideoRenderer::create(), "VMR"), E_DuplicateName);
    EXPECT_EQ(g->findFilterByName("Source Capture"), cam);
    EXPECT_FALSE(g->findFilterByName("Smart Tee"));

    Pin out;
    ASSERT_EQ(CaptureGraphBuilder::findPin(cam, PinDirection::Output, PinCategory::Capture,
                                           MajorType::Video, true, 0, out),
              S_Ok);
    Pin in = pinOf(vmr, PinDirection::Input);
    ASSERT_EQ(g->connect(out, in), S_Ok);
    EXPECT_TRUE(out.isConnected());
    EXPECT_EQ(out.connectedTo().filter(), vmr);

    auto window = g->videoWindow();
    ASSERT_EQ(g->run(), S_Ok);
    EXPECT_EQ(g->currentState(), GST_STATE_PLAYING);
    ASSERT_TRUE(waitFrames(*window, 3));
    VideoFrame frame;
    ASSERT_TRUE(window->latestFrame(frame));
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(frame.height, 480);

    // Pausing keeps the graph; running again resumes the same picture stream.
    EXPECT_TRUE(succeeded(g->pause()));
    const uint64_t paused = window->framesDelivered();
    ASSERT_EQ(g->run(), S_Ok);
    EXPECT_TRUE(waitFrames(*window, paused + 3));

    // Building needs a stopped graph.
    EXPECT_EQ(g->disconnect(out), E_NotStopped);
    EXPECT_EQ(g->stop(), S_Ok);
    EXPECT_EQ(g->disconnect(out), S_Ok);
    EXPECT_EQ(g->disconnect(in), S_False);
    EXPECT_EQ(g->removeFilter(vmr), S_Ok);
    EXPECT_FALSE(g->findFilterByName("VMR"));
}

TEST_F(FilterGraphTest, SmartTeeRunsWithOneOutputLeftOpen) {
    VirtualDeviceProvider::configure("camera:name=Desk Camera,vid=3a7b,pid=0b01");
    Filter cam = bindFirst(DeviceCategory::VideoInput);
    Filter tee;
    ASSERT_EQ(SmartTee::create(tee), S_Ok);
    Filter vmr = VideoRenderer::create();
    std::shared_ptr<FilterGraph> g;
    ASSERT_EQ(FilterGraph::create(g), S_Ok);
    ASSERT_EQ(g->addFilter(cam, "Source Capture"), S_Ok);
    ASSERT_EQ(g->addFilter(tee, "Smart Tee"), S_Ok);
    ASSERT_EQ(g->addFilter(vmr, "VMR"), S_Ok);
    Pin camOut = pinOf(cam, PinDirection::Output);
    Pin teeIn = pinOf(tee, PinDirection::Input);
    ASSERT_EQ(g->connect(camOut, teeIn), S_Ok);
    Pin preview;
    ASSERT_EQ(CaptureGraphBuilder::findPin(tee, PinDirection::Output, PinCategory::Preview,
                                           MajorType::Any, true, 0, preview),
              S_Ok);
    Pin capture;
    ASSERT_EQ(CaptureGraphBuilder::findPin(tee, PinDirection::Output, PinCategory::Capture,
                                           MajorType::Any, true, 0, capture),
              S_Ok);
    Pin in = pinOf(vmr, PinDirection::Input);
    ASSERT_EQ(g->connect(preview, in), S_Ok);
    // An input pin carries no category: a search for one finds nothing.
    Pin none;
    EXPECT_EQ(CaptureGraphBuilder::findPin(vmr, PinDirection::Input, PinCategory::Capture,
                                           MajorType::Any, false, 0, none),
              E_Fail);
    auto window = g->videoWindow();
    ASSERT_EQ(g->run(), S_Ok);
    EXPECT_TRUE(waitFrames(*window, 3));
    g->stop();
}

TEST_F(FilterGraphTest, BusyCameraFailsToRunWithTheBusyError) {
    VirtualDeviceProvider::configure("camera:name=Held,busy=1");
    Filter cam = bindFirst(DeviceCategory::VideoInput);
    Filter vmr = VideoRenderer::create();
    std::shared_ptr<FilterGraph> g;
    ASSERT_EQ(FilterGraph::create(g), S_Ok);
    int notified = 0;
    g->setNotify([&notified] { ++notified; });
    ASSERT_EQ(g->addFilter(cam, "Source Capture"), S_Ok);
    ASSERT_EQ(g->addFilter(vmr, "VMR"), S_Ok);
    Pin out = pinOf(cam, PinDirection::Output);
    Pin in = pinOf(vmr, PinDirection::Input);
    ASSERT_EQ(g->connect(out, in), S_Ok);
    EXPECT_EQ(g->run(), E_DeviceInUse);
    GraphEvent ev;
    ASSERT_EQ(g->getEvent(ev, 1000), S_Ok);
    EXPECT_EQ(ev.code, EC_ERRORABORT);
    EXPECT_EQ(ev.param1, E_DeviceInUse);
    EXPECT_GE(notified, 1);
    g->setNotify(nullptr);
    EXPECT_EQ(g->stop(), S_Ok);
}

TEST_F(FilterGraphTest, ConnectInsertsDecoderForJpegCamera) {
    VirtualDeviceProvider::configure("camera:name=Jpeg Camera,vid=3a7b,pid=0c01,formats=MJPG");
    Filter cam = bindFirst(DeviceCategory::VideoInput);
    Filter vmr = VideoRenderer::create();
    std::shared_ptr<FilterGraph> g;
    ASSERT_EQ(FilterGraph::create(g), S_Ok);
    ASSERT_EQ(g->addFilter(cam, "Source Capture"), S_Ok);
    ASSERT_EQ(g->addFilter(vmr, "VMR"), S_Ok);
    // A renderer that takes raw video only: the graph must put a decoder between.
    GstCaps* caps = gst_caps_from_string("video/x-raw");
    GstElement* strict = gst_element_factory_make("capsfilter", nullptr);
    g_object_set(strict, "caps", caps, nullptr);
    gst_caps_unref(caps);
    Filter rawOnly = Filter::fromElement(strict);
    ASSERT_EQ(g->addFilter(rawOnly, "Raw Only"), S_Ok);
    Pin out = pinOf(cam, PinDirection::Output);
    Pin in = pinOf(rawOnly, PinDirection::Input);
    ASSERT_EQ(g->connect(out, in), S_Ok);
    EXPECT_EQ(g->filters().size(), 5u);  // the decoder and the converter behind it
    Pin out2 = pinOf(rawOnly, PinDirection::Output);
    Pin in2 = pinOf(vmr, PinDirection::Input);
    ASSERT_EQ(g->connect(out2, in2), S_Ok);
    auto window = g->videoWindow();
    ASSERT_EQ(g->run(), S_Ok);
    EXPECT_TRUE(waitFrames(*window, 2));
    g->stop();
}

TEST_F(FilterGraphTest, DiskFullIsTheFirstAbortAndItsFollowOnIsNot) {
    VirtualDeviceProvider::configure("camera:name=Desk Camera,vid=3a7b,pid=0b01");
    Filter cam = bindFirst(DeviceCategory::VideoInput);
    std::shared_ptr<FilterGraph> g;
    ASSERT_EQ(FilterGraph::create(g), S_Ok);
    GstElement* sinkElement = gst_element_factory_make("filesink", nullptr);
    g_object_set(sinkElement, "location", "/dev/full", "async", FALSE, nullptr);
    Filter sink = Filter::fromElement(sinkElement);
    ASSERT_EQ(g->addFilter(cam, "Source Capture"), S_Ok);
    ASSERT_EQ(g->addFilter(sink, "File Writer"), S_Ok);
    Pin out = pinOf(cam, PinDirection::Output);
    Pin in = pinOf(sink, PinDirection::Input);
    ASSERT_EQ(g->connect(out, in), S_Ok);
    g->run();
    GraphEvent ev;
    ASSERT_EQ(g->getEvent(ev, 5000), S_Ok);
    EXPECT_EQ(ev.code, EC_ERRORABORT);
    EXPECT_EQ(ev.param1, E_DiskFull);
    while (g->getEvent(ev, 300) == S_Ok) {
        EXPECT_NE(ev.code, EC_ERRORABORT) << "a follow-on error replaced the cause";
    }
    g->stop();
}

TEST_F(FilterGraphTest, NoObjectOutlivesTheGraphAndItsFilters) {
    VirtualDeviceProvider::configure("camera:name=Desk Camera,vid=3a7b,pid=0b01");
    GWeakRef camRef;
    GWeakRef pipeRef;
    GWeakRef vmrRef;
    {
        Filter cam = bindFirst(DeviceCategory::VideoInput);
        Filter vmr = VideoRenderer::create();
        std::shared_ptr<FilterGraph> g;
        ASSERT_EQ(FilterGraph::create(g), S_Ok);
        g_weak_ref_init(&camRef, cam.element());
        g_weak_ref_init(&vmrRef, vmr.element());
        g_weak_ref_init(&pipeRef, g->pipeline());
        g->addFilter(cam, "Source Capture");
        g->addFilter(vmr, "VMR");
        {
            Pin out = pinOf(cam, PinDirection::Output);
            Pin in = pinOf(vmr, PinDirection::Input);
            ASSERT_EQ(g->connect(out, in), S_Ok);
        }
        ASSERT_TRUE(succeeded(g->run()));  // S_False on a loaded machine is fine here
        g->pause();
        // A removed filter survives for its holder (the frame filter is kept across builds).
        g->stop();
        g->removeFilter(vmr);
        EXPECT_EQ(G_OBJECT(vmr.element())->ref_count, 1u);
    }
    EXPECT_EQ(g_weak_ref_get(&camRef), nullptr);
    EXPECT_EQ(g_weak_ref_get(&vmrRef), nullptr);
    EXPECT_EQ(g_weak_ref_get(&pipeRef), nullptr);
    g_weak_ref_clear(&camRef);
    g_weak_ref_clear(&vmrRef);
    g_weak_ref_clear(&pipeRef);
}

TEST_F(FilterGraphTest, RotDumpIsNamedAfterGraphAndProcess) {
    const std::string dir = testenv::tempDir() + "/dot";
    std::filesystem::create_directories(dir);
    ::setenv("GST_DEBUG_DUMP_DOT_DIR", dir.c_str(), 1);
    std::shared_ptr<FilterGraph> g;
    ASSERT_EQ(FilterGraph::create(g), S_Ok);
    uint32_t cookie = 0;
    ASSERT_EQ(g->addToRot(cookie), S_Ok);
    EXPECT_NE(cookie, 0u);
    char pid[16];
    std::snprintf(pid, sizeof pid, "%08x", static_cast<unsigned>(::getpid()));
    const std::string name = g->rotName();
    EXPECT_EQ(name.rfind("FilterGraph ", 0), 0u);
    EXPECT_NE(name.find(std::string(" pid ") + pid), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + name + ".dot"));
    EXPECT_EQ(FilterGraph::removeFromRot(cookie), S_Ok);
    EXPECT_FALSE(std::filesystem::exists(dir + "/" + name + ".dot"));
    ::unsetenv("GST_DEBUG_DUMP_DOT_DIR");
}

}  // namespace

TEST_F(FilterGraphTest, RenderingByCategorySharesOneTeeBetweenPreviewAndCapture) {
    VirtualDeviceProvider::configure("camera:name=C,vid=3a7b,pid=0d01");
    std::shared_ptr<FilterGraph> graph;
    ASSERT_EQ(FilterGraph::create(graph), S_Ok);
    CaptureGraphBuilder builder;
    builder.setFiltergraph(graph);
    Filter cam = bindFirst(DeviceCategory::VideoInput);
    ASSERT_TRUE(cam);
    ASSERT_EQ(graph->addFilter(cam, "Source Capture"), S_Ok);

    // A camera has no preview output: the builder puts a tee on its capture output.
    EXPECT_EQ(builder.renderStream(PinCategory::Preview, MajorType::Video, cam, Filter(), Filter()),
              S_NoPreviewPin);
    EXPECT_TRUE(graph->findFilterByName("Smart Tee"));
    EXPECT_TRUE(graph->findFilterByName("Video Renderer"));
    // The capture output is now the tee's; a second preview has nothing left to take.
    Filter sink;
    ASSERT_EQ(Filter::create("fakesink", sink), S_Ok);
    g_object_set(sink.element(), "async", FALSE, nullptr);
    ASSERT_EQ(graph->addFilter(sink, "Sink"), S_Ok);
    EXPECT_EQ(builder.renderStream(PinCategory::Capture, MajorType::Video, cam, Filter(), sink),
              S_Ok);
    EXPECT_EQ(builder.renderStream(PinCategory::Preview, MajorType::Video, cam, Filter(), Filter()),
              E_Fail);
    ASSERT_EQ(graph->run(), S_Ok);
    EXPECT_TRUE(waitFrames(*graph->videoWindow(), 3));
    graph->stop();
}

TEST_F(FilterGraphTest, RenderingTheCaptureOutputGoesStraightThroughTheIntermediate) {
    VirtualDeviceProvider::configure("camera:name=C,vid=3a7b,pid=0d01");
    std::shared_ptr<FilterGraph> graph;
    ASSERT_EQ(FilterGraph::create(graph), S_Ok);
    CaptureGraphBuilder builder;
    builder.setFiltergraph(graph);
    Filter cam = bindFirst(DeviceCategory::VideoInput);
    Filter mid;
    ASSERT_EQ(Filter::create("identity", mid), S_Ok);
    ASSERT_EQ(graph->addFilter(cam, "Source Capture"), S_Ok);
    ASSERT_EQ(graph->addFilter(mid, "Middle"), S_Ok);
    EXPECT_EQ(builder.renderStream(PinCategory::Capture, MajorType::Video, cam, mid, Filter()),
              S_Ok);
    EXPECT_FALSE(graph->findFilterByName("Smart Tee"));
    EXPECT_FALSE(pinOf(cam, PinDirection::Output));  // the camera's output is taken
    ASSERT_EQ(graph->run(), S_Ok);
    EXPECT_TRUE(waitFrames(*graph->videoWindow(), 3));
    graph->stop();
}

// A machine without a plugin: the renderer cannot be made, and what is missing is said by name.
TEST_F(FilterGraphTest, AMissingElementIsNamedWithItsPackage) {
    GstRegistry* registry = gst_registry_get();
    GstPluginFeature* convert = gst_registry_lookup_feature(registry, "videoconvert");
    ASSERT_NE(convert, nullptr);
    gst_registry_remove_feature(registry, convert);  // our reference from the lookup stays
    testing::internal::CaptureStderr();
    const Filter renderer = VideoRenderer::create();
    const std::string said = testing::internal::GetCapturedStderr();
    gst_registry_add_feature(registry, convert);  // takes a reference of its own
    gst_object_unref(convert);
    EXPECT_FALSE(renderer);
    EXPECT_NE(said.find("\"videoconvert\" is missing (gstreamer1.0-plugins-base)"),
              std::string::npos)
        << said;
    EXPECT_TRUE(VideoRenderer::create()) << "the registry was not restored";
}
