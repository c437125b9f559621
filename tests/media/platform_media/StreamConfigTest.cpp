// Stream configuration of cameras: the offered formats, setting one, refusing what is not
// offered, and the frames that really come out afterwards.
#include <string>

#include <gtest/gtest.h>

#include <gst/gst.h>

#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/StreamConfig.h"
#include "platform/media/VirtualDeviceProvider.h"
#include "platform/media/VirtualSources.h"
#include "support/Wait.h"

using namespace platform;
using namespace platform::media;

namespace {

class StreamConfigTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MediaRuntime::initialise());
        DeviceEnumerator::setRealDevicesEnabled(false);
    }
    void TearDown() override { VirtualDeviceProvider::configure(""); }

    static Filter camera(const std::string& entry) {
        VirtualDeviceProvider::configure(entry);
        std::vector<Moniker> list;
        EXPECT_EQ(DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, list), S_Ok);
        Filter f;
        if (!list.empty()) {
            EXPECT_EQ(list[0].bindToObject(f), S_Ok);
        }
        return f;
    }

    static VideoMediaType wish(VideoSubtype s, int w, int h, int64_t interval) {
        VideoMediaType t;
        t.subtype = s;
        t.format.bmiHeader.biWidth = w;
        t.format.bmiHeader.biHeight = h;
        t.format.AvgTimePerFrame = interval;
        return t;
    }

    // The caps of the source's output once a few frames went through a fakesink.
    static std::string deliveredCaps(const Filter& source) {
        GstElement* pipeline = gst_pipeline_new(nullptr);
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        gst_bin_add_many(GST_BIN(pipeline), source.element(), sink, nullptr);
        g_autoptr(GstPad) out = gst_element_get_static_pad(source.element(), "capture");
        g_autoptr(GstPad) in = gst_element_get_static_pad(sink, "sink");
        EXPECT_EQ(gst_pad_link(out, in), GST_PAD_LINK_OK);
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        std::string text;
        testenv::waitUntil(
            [&] {
                g_autoptr(GstCaps) caps = gst_pad_get_current_caps(in);
                if (caps != nullptr) {
                    g_autofree gchar* s = gst_caps_to_string(caps);
                    text = s;
                }
                return !text.empty();
            },
            3000);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        return text;
    }
};

TEST_F(StreamConfigTest, VirtualCameraOffersItsFormatsAndSwitchesBetweenThem) {
    Filter cam = camera("camera:name=C,vid=3a7b,pid=0b01,formats=YUY2|MJPG");
    StreamConfig config;
    ASSERT_EQ(StreamConfig::find(cam, config), S_Ok);
    ASSERT_EQ(config.capabilityCount(), 8);
    VideoMediaType t;
    ASSERT_EQ(config.getStreamCaps(0, t), S_Ok);
    EXPECT_EQ(t.subtype, VideoSubtype::YUY2);
    EXPECT_EQ(t.format.bmiHeader.biWidth, 320);
    EXPECT_EQ(t.format.AvgTimePerFrame, 333333);
    EXPECT_EQ(t.format.bmiHeader.biBitCount, 16);
    ASSERT_EQ(config.getStreamCaps(7, t), S_Ok);
    EXPECT_EQ(t.subtype, VideoSubtype::MJPG);
    EXPECT_EQ(t.format.bmiHeader.biHeight, 800);
    EXPECT_EQ(config.getStreamCaps(8, t), E_InvalidArg);
    // Until a format is set the camera reports what it delivers: its first format at 640 x 480.
    ASSERT_EQ(config.getFormat(t), S_Ok);
    EXPECT_EQ(t.format.bmiHeader.biWidth, 640);

    // Not offered: another subtype, another rate, another size. The format stays.
    EXPECT_EQ(config.setFormat(wish(VideoSubtype::RGB24, 640, 480, 333333)), E_InvalidMediaType);
    EXPECT_EQ(config.setFormat(wish(VideoSubtype::YUY2, 640, 480, 666666)), E_InvalidMediaType);
    EXPECT_EQ(config.setFormat(wish(VideoSubtype::YUY2, 800, 600, 333333)), E_InvalidMediaType);
    ASSERT_EQ(config.getFormat(t), S_Ok);
    EXPECT_EQ(t.subtype, VideoSubtype::YUY2);
    EXPECT_EQ(t.format.bmiHeader.biWidth, 640);

    ASSERT_EQ(config.setFormat(wish(VideoSubtype::MJPG, 1280, 720, 333333)), S_Ok);
    ASSERT_EQ(config.getFormat(t), S_Ok);
    EXPECT_EQ(t.subtype, VideoSubtype::MJPG);
    const std::string caps = deliveredCaps(cam);
    EXPECT_EQ(caps.rfind("image/jpeg", 0), 0u) << caps;
    EXPECT_NE(caps.find("width=(int)1280"), std::string::npos) << caps;
    EXPECT_NE(caps.find("height=(int)720"), std::string::npos) << caps;
}

TEST_F(StreamConfigTest, BackToRawAfterJpegAndAnyRateForIntervalZero) {
    Filter cam = camera("camera:name=C,vid=3a7b,pid=0b01,formats=MJPG|RGB24");
    StreamConfig config;
    ASSERT_EQ(StreamConfig::find(cam, config), S_Ok);
    ASSERT_EQ(config.setFormat(wish(VideoSubtype::RGB24, 320, 240, 0)), S_Ok);
    const std::string caps = deliveredCaps(cam);
    EXPECT_NE(caps.find("format=(string)BGR"), std::string::npos) << caps;
    EXPECT_NE(caps.find("width=(int)320"), std::string::npos) << caps;
}

TEST_F(StreamConfigTest, RangesOfARealSourceAreNarrowedOntoItsCapsFilter) {
    GstElement* src = gst_element_factory_make("videotestsrc", nullptr);
    ASSERT_NE(src, nullptr);
    g_object_set(src, "is-live", TRUE, nullptr);
    Filter wrapped = Filter::fromElement(VirtualSources::wrapSource(src));
    g_autoptr(GstCaps) offered = gst_caps_from_string(
        "video/x-raw,format=YUY2,width=[16,1920],height=[16,1080],framerate=[1/1,60/1]");
    StreamConfig::attach(wrapped.element(), offered, nullptr);
    StreamConfig config;
    ASSERT_EQ(StreamConfig::find(wrapped, config), S_Ok);
    EXPECT_EQ(config.setFormat(wish(VideoSubtype::MJPG, 800, 600, 333333)), E_InvalidMediaType);
    ASSERT_EQ(config.setFormat(wish(VideoSubtype::YUY2, 800, 600, 666666)), S_Ok);
    const std::string caps = deliveredCaps(wrapped);
    EXPECT_NE(caps.find("width=(int)800"), std::string::npos) << caps;
    EXPECT_NE(caps.find("framerate=(fraction)15/1"), std::string::npos) << caps;
}

TEST_F(StreamConfigTest, OnlyCapturesSourcesHaveOne) {
    Filter sink;
    ASSERT_EQ(Filter::create("fakesink", sink), S_Ok);
    StreamConfig config;
    EXPECT_EQ(StreamConfig::find(sink, config), E_NoInterfaceFound);
    EXPECT_FALSE(config);
}

}  // namespace
