// twktransfilter in real pipelines: caps, in-place work, stills through the handshake, stamps.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gst/gst.h>
#include <gst/video/video.h>

#include "filter/StillConvert.h"
#include "filter/TransFilterElement.h"
#include "support/Wait.h"

using namespace filter;

namespace {

class GstEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        gst_init(nullptr, nullptr);
        ASSERT_TRUE(registerTransFilterElement());
    }
};
const auto* const kGstEnv = ::testing::AddGlobalTestEnvironment(new GstEnvironment);

// Every frame seen on the filter's pads: the visible bytes (rows without padding) after the
// filter, and whether the buffer that left was the buffer that came in.
struct FrameLog {
    struct Entry {
        std::vector<uint8_t> bytes;
        int32_t width = 0, height = 0;
        GstVideoFormat format = GST_VIDEO_FORMAT_UNKNOWN;
    };
    std::mutex mutex;
    std::map<GstClockTime, const GstBuffer*> in;  // by PTS
    std::vector<Entry> out;
    int sameBuffer = 0;
    int otherBuffer = 0;
};

GstPadProbeReturn sinkProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* log = static_cast<FrameLog*>(data);
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    std::lock_guard lock(log->mutex);
    log->in[GST_BUFFER_PTS(buf)] = buf;
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn srcProbe(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* log = static_cast<FrameLog*>(data);
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    g_autoptr(GstCaps) caps = gst_pad_get_current_caps(pad);
    GstVideoInfo vinfo;
    if (caps == nullptr || !gst_video_info_from_caps(&vinfo, caps)) {
        return GST_PAD_PROBE_OK;
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &vinfo, buf, GST_MAP_READ)) {
        return GST_PAD_PROBE_OK;
    }
    FrameLog::Entry e;
    e.width = GST_VIDEO_FRAME_WIDTH(&frame);
    e.height = GST_VIDEO_FRAME_HEIGHT(&frame);
    e.format = GST_VIDEO_FRAME_FORMAT(&frame);
    const bool yuy2 = e.format == GST_VIDEO_FORMAT_YUY2;
    const size_t rowBytes = static_cast<size_t>(packedRowBytes(e.width, yuy2));
    const auto* data0 = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    for (int32_t y = 0; y < e.height; ++y) {
        e.bytes.insert(e.bytes.end(), data0 + y * stride, data0 + y * stride + rowBytes);
    }
    gst_video_frame_unmap(&frame);
    std::lock_guard lock(log->mutex);
    const auto it = log->in.find(GST_BUFFER_PTS(buf));
    if (it != log->in.end() && it->second == buf) {
        ++log->sameBuffer;
    } else {
        ++log->otherBuffer;
    }
    log->out.push_back(std::move(e));
    return GST_PAD_PROBE_OK;
}

struct Pipeline {
    GstElement* pipeline = nullptr;
    GstElement* element = nullptr;
    MyTransFilter* filter = nullptr;
    FrameLog log;

    explicit Pipeline(const char* description) {
        GError* err = nullptr;
        pipeline = gst_parse_launch(description, &err);
        if (err != nullptr) {
            ADD_FAILURE() << err->message;
            g_error_free(err);
        }
        if (pipeline == nullptr) {
            return;
        }
        gst_object_ref_sink(pipeline);
        element = gst_bin_get_by_name(GST_BIN(pipeline), "f");
        filter = transFilterOf(element);
        g_autoptr(GstPad) sink = gst_element_get_static_pad(element, "sink");
        g_autoptr(GstPad) src = gst_element_get_static_pad(element, "src");
        gst_pad_add_probe(sink, GST_PAD_PROBE_TYPE_BUFFER, sinkProbe, &log, nullptr);
        gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, srcProbe, &log, nullptr);
    }
    ~Pipeline() {
        if (pipeline != nullptr) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(element);
            gst_object_unref(pipeline);
        }
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    // Waits for EOS or an error; returns the error text ("" for EOS, "timeout" when neither came).
    std::string waitForEnd(std::chrono::seconds limit = std::chrono::seconds(20)) {
        g_autoptr(GstBus) bus = gst_element_get_bus(pipeline);
        g_autoptr(GstMessage) msg = gst_bus_timed_pop_filtered(
            bus, static_cast<GstClockTime>(limit.count()) * GST_SECOND,
            static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (msg == nullptr) {
            return "timeout";
        }
        if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
            g_autoptr(GError) err = nullptr;
            gst_message_parse_error(msg, &err, nullptr);
            return err != nullptr ? err->message : "error";
        }
        return "";
    }
};

// The component's StillImg: ready := 0, request := 1, then up to 500 polls of 10 ms.
bool stillImg(MyTransFilter* f) {
    f->requestStill();
    return testenv::waitUntil([&] { return f->stillReady(); }, 5000);
}

bool waitStreaming(MyTransFilter* f) {
    return testenv::waitUntil([&] { return f->streaming(); }, 5000);
}

std::vector<uint8_t> expectedStill(const FrameLog::Entry& e) {
    std::vector<uint8_t> out(static_cast<size_t>(e.width) * e.height * 3);
    const size_t outRow = static_cast<size_t>(e.width) * 3;
    if (e.format == GST_VIDEO_FORMAT_YUY2) {
        yuy2ToBgr(e.bytes.data(), packedRowBytes(e.width, true), e.width, e.height, out.data(),
                  static_cast<ptrdiff_t>(outRow));
    } else {
        // The still keeps bottom-up rows: the frame's top row is the still's last.
        for (int32_t y = 0; y < e.height; ++y) {
            std::memcpy(out.data() + (e.height - 1 - y) * outRow, e.bytes.data() + y * outRow,
                        outRow);
        }
    }
    return out;
}

int matchingFrames(FrameLog& log, const std::vector<uint8_t>& still) {
    std::lock_guard lock(log.mutex);
    int matches = 0;
    for (const auto& e : log.out) {
        matches += expectedStill(e) == still;
    }
    return matches;
}

}  // namespace

TEST(TransFilterElement, AcceptsExactlyYuy2AndBgr) {
    g_autoptr(GstElementFactory) factory = gst_element_factory_find(kTransFilterFactory);
    ASSERT_NE(factory, nullptr);
    g_autoptr(GstElement) e = gst_element_factory_create(factory, "My TransFilter");
    ASSERT_NE(e, nullptr);
    ASSERT_NE(transFilterOf(e), nullptr);
    g_autoptr(GstPad) sink = gst_element_get_static_pad(e, "sink");
    g_autoptr(GstCaps) tmpl = gst_pad_get_pad_template_caps(sink);
    for (const char* fmt : {"YUY2", "BGR"}) {
        g_autoptr(GstCaps) c =
            gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, fmt, nullptr);
        EXPECT_TRUE(gst_caps_can_intersect(tmpl, c)) << fmt;
    }
    for (const char* fmt : {"RGB", "BGRx", "RGBx", "I420", "UYVY", "NV12"}) {
        g_autoptr(GstCaps) c =
            gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, fmt, nullptr);
        EXPECT_FALSE(gst_caps_can_intersect(tmpl, c)) << fmt;
    }
    // Never drops a late frame on its own (it sits ahead of the tee that feeds the recording).
    gboolean qos = TRUE;
    g_object_get(e, "qos", &qos, nullptr);
    EXPECT_FALSE(qos);
    g_autoptr(GstElement) other = gst_element_factory_make("identity", nullptr);
    EXPECT_EQ(transFilterOf(other), nullptr);
}

TEST(TransFilterElement, OtherFormatsFailToLink) {
    for (const char* fmt : {"I420", "BGRx", "RGB"}) {
        const std::string desc = std::string("videotestsrc num-buffers=1 ! video/x-raw,format=") +
                                 fmt + ",width=64,height=48 ! twktransfilter ! fakesink";
        GError* err = nullptr;
        GstElement* pipeline = gst_parse_launch(desc.c_str(), &err);
        EXPECT_NE(err, nullptr) << fmt;
        if (err != nullptr) {
            EXPECT_TRUE(g_error_matches(err, GST_PARSE_ERROR, GST_PARSE_ERROR_LINK))
                << err->message;
            g_error_free(err);
        }
        if (pipeline != nullptr) {
            gst_object_unref(gst_object_ref_sink(pipeline));
        }
    }
}

TEST(TransFilterElement, Yuy2StillThroughTheHandshakeMatchesItsFrame) {
    for (auto [w, h] : {std::pair{320, 240}, std::pair{321, 241}}) {
        const std::string desc =
            "videotestsrc pattern=ball num-buffers=45 ! video/x-raw,format=YUY2,width=" +
            std::to_string(w) + ",height=" + std::to_string(h) +
            ",framerate=30/1 ! twktransfilter name=f ! fakesink sync=true";
        Pipeline p(desc.c_str());
        ASSERT_NE(p.filter, nullptr);
        MyTransFilter* f = p.filter;
        f->setRequestedSize(w, h);  // what the component sets on each build
        f->setStillByFilter(true);
        f->setShowDate(true);
        f->setAddTime(true);
        f->ShowStreamDebug(true);
        ASSERT_NE(gst_element_set_state(p.pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
        ASSERT_TRUE(waitStreaming(f));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        f->updateElapsed(f->connectTick() + 3599600);  // as the component's timer would
        ASSERT_TRUE(stillImg(f));
        EXPECT_EQ(f->isYuy2(), 1);
        const auto still = std::vector<uint8_t>(f->stillBuffer().begin(), f->stillBuffer().end());
        ASSERT_EQ(still.size(), static_cast<size_t>(w) * h * 3);
        EXPECT_EQ(p.waitForEnd(), "");
        gst_element_set_state(p.pipeline, GST_STATE_NULL);
        EXPECT_EQ(matchingFrames(p.log, still), 1) << w << "x" << h;
        EXPECT_EQ(p.log.out.size(), 45u);
        EXPECT_EQ(p.log.sameBuffer, 45);  // in place: every buffer leaves as it came
        EXPECT_EQ(p.log.otherBuffer, 0);
    }
}

TEST(TransFilterElement, Rgb24PipelineAtAnOddWidthKeepsStillRowOrderAndStampPlaces) {
    // 321 x 241 BGR rows are padded to 964 bytes; the picture is black, so only stamps change it.
    Pipeline p(
        "videotestsrc pattern=black num-buffers=20 ! "
        "video/x-raw,format=BGR,width=321,height=241,framerate=30/1 ! "
        "twktransfilter name=f ! fakesink sync=true");
    ASSERT_NE(p.filter, nullptr);
    MyTransFilter* f = p.filter;
    f->setRequestedSize(321, 241);
    f->setStillByFilter(true);
    f->setShowDate(true);
    f->setAddTime(true);
    f->ShowStreamDebug(true);  // no glyph text in RGB24 frames
    f->setElapsed({1, 0, 0});
    ASSERT_NE(gst_element_set_state(p.pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    ASSERT_TRUE(waitStreaming(f));
    ASSERT_TRUE(stillImg(f));
    EXPECT_EQ(f->isYuy2(), 0);
    const auto still = std::vector<uint8_t>(f->stillBuffer().begin(), f->stillBuffer().end());
    EXPECT_EQ(p.waitForEnd(), "");
    gst_element_set_state(p.pipeline, GST_STATE_NULL);
    EXPECT_GE(matchingFrames(p.log, still), 1);
    EXPECT_EQ(p.log.otherBuffer, 0);
    // What the user sees: the date upright in the bottom-right corner (picture rows 211..240,
    // columns 161..320), the time top-right ten rows down (rows 10..33, columns 241..320).
    std::lock_guard lock(p.log.mutex);
    ASSERT_FALSE(p.log.out.empty());
    const auto& last = p.log.out.back();
    int date = 0, time = 0;
    for (int32_t y = 0; y < 241; ++y) {
        for (int32_t x = 0; x < 321; ++x) {
            const uint8_t* px = last.bytes.data() + (y * 321 + x) * 3;
            if ((px[0] | px[1] | px[2]) == 0) {
                continue;
            }
            ASSERT_EQ(px[0], 0);
            ASSERT_EQ(px[1], 0);
            if (y >= 241 - 30 && x >= 321 - 160) {
                ++date;
            } else if (y >= 10 && y < 10 + 24 && x >= 321 - 80) {
                ++time;
            } else {
                ADD_FAILURE() << "lit pixel outside the stamps at " << x << "," << y;
                return;
            }
        }
    }
    EXPECT_GT(date, 100);
    EXPECT_GT(time, 50);
}

TEST(TransFilterElement, ShortFramesPassThroughUntouched) {
    // The component asked for 640 x 480 but the camera delivers 320 x 240: frames go on as they
    // are.
    Pipeline p(
        "videotestsrc pattern=smpte num-buffers=5 ! "
        "video/x-raw,format=YUY2,width=320,height=240 ! twktransfilter name=f ! fakesink");
    ASSERT_NE(p.filter, nullptr);
    p.filter->setShowDate(true);
    p.filter->ShowStreamDebug(true);
    p.filter->setStillByFilter(true);
    p.filter->requestStill();
    gst_element_set_state(p.pipeline, GST_STATE_PLAYING);
    EXPECT_EQ(p.waitForEnd(), "");
    gst_element_set_state(p.pipeline, GST_STATE_NULL);
    EXPECT_TRUE(p.filter->streaming());
    EXPECT_TRUE(p.filter->stillRequested());
    EXPECT_FALSE(p.filter->stillReady());
    // Compare with the same frames through identity.
    Pipeline q(
        "videotestsrc pattern=smpte num-buffers=1 ! "
        "video/x-raw,format=YUY2,width=320,height=240 ! identity name=f ! fakesink");
    ASSERT_NE(q.pipeline, nullptr);
    g_autoptr(GstPad) src = gst_element_get_static_pad(q.element, "src");
    FrameLog plain;
    gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, srcProbe, &plain, nullptr);
    gst_element_set_state(q.pipeline, GST_STATE_PLAYING);
    EXPECT_EQ(q.waitForEnd(), "");
    gst_element_set_state(q.pipeline, GST_STATE_NULL);
    ASSERT_FALSE(plain.out.empty());
    ASSERT_FALSE(p.log.out.empty());
    EXPECT_EQ(p.log.out.front().bytes, plain.out.front().bytes);
}
