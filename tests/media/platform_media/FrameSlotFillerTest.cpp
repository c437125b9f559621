// twkframeslotfiller between appsrc and appsink: which empty slots it adds, where, and what it
// leaves alone.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include "platform/TsanAnnotations.h"
#include "platform/media/FrameSlotFiller.h"
#include "platform/media/MediaRuntime.h"

using namespace platform::media;

namespace {

constexpr GstClockTime kMs = GST_MSECOND;

// What left the filler: 'F' and the input's number for a frame, 'E' for an empty slot.
struct Out {
    std::string kinds;  // e.g. "F0 E E F1"
    std::vector<GstClockTime> pts;
};

// One frame at each of `times` (a byte holding its number) into the filler with `caps`.
Out fill(const std::string& caps, const std::vector<GstClockTime>& times) {
    Out out;
    const std::string launch = "appsrc name=src format=time caps=\"" + caps + "\" ! " +
                               FrameSlotFiller::kFactory + " ! appsink name=sink sync=false";
    g_autoptr(GError) error = nullptr;
    g_autoptr(GstElement) pipeline = gst_parse_launch(launch.c_str(), &error);
    if (pipeline == nullptr) {
        ADD_FAILURE() << launch;
        return out;
    }
    g_autoptr(GstElement) src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_autoptr(GstElement) sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    for (size_t i = 0; i < times.size(); ++i) {
        GstBuffer* b = gst_buffer_new_allocate(nullptr, 1, nullptr);
        gst_buffer_memset(b, 0, static_cast<guint8>(i), 1);
        GST_BUFFER_PTS(b) = times[i];
        platform::tsanRelease(b);
        gst_app_src_push_buffer(GST_APP_SRC(src), b);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(src));
    while (GstSample* s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 5 * GST_SECOND)) {
        GstBuffer* b = gst_sample_get_buffer(s);
        platform::tsanAcquire(b);
        guint8 n = 0;
        out.kinds += out.kinds.empty() ? "" : " ";
        out.kinds += gst_buffer_get_size(b) == 0
                         ? "E"
                         : (gst_buffer_extract(b, 0, &n, 1), "F" + std::to_string(n));
        out.pts.push_back(GST_BUFFER_PTS(b));
        platform::tsanRelease(b);  // the filler rewrites its empty buffer once we let it go
        gst_sample_unref(s);
    }
    EXPECT_TRUE(gst_app_sink_is_eos(GST_APP_SINK(sink)));
    gst_element_set_state(pipeline, GST_STATE_NULL);
    return out;
}

const std::string kCaps = "video/x-raw,format=YUY2,width=2,height=2,framerate=30/1";

GstClockTime slot(guint64 n) {
    return gst_util_uint64_scale(n, GST_SECOND, 30);
}

class FrameSlotFillerTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MediaRuntime::initialise());
        ASSERT_TRUE(FrameSlotFiller::registerElement());
    }
};

TEST_F(FrameSlotFillerTest, EachMissedSlotBecomesAnEmptyFrameAtItsTime) {
    // Late and early within half a slot: 103 ms is slot 3, 195 ms slot 6.
    const Out out = fill(kCaps, {0, 103 * kMs, 195 * kMs});
    EXPECT_EQ(out.kinds, "F0 E E F1 E E F2");
    EXPECT_EQ(out.pts, (std::vector<GstClockTime>{0, slot(1), slot(2), 103 * kMs, slot(4), slot(5),
                                                  195 * kMs}));
}

TEST_F(FrameSlotFillerTest, TwoFramesInOneSlotBothPassAndTheFileCatchesUpAtTheNextGap) {
    // 45 ms shares slot 1 with 33 ms; the file then runs a slot ahead, so the gap before
    // slot 4 gets one empty frame, not two.
    EXPECT_EQ(fill(kCaps, {0, 33 * kMs, 45 * kMs, 133 * kMs}).kinds, "F0 F1 F2 E F3");
}

TEST_F(FrameSlotFillerTest, NothingIsAddedAtTheFullRateWithoutARateOrAcrossABrokenTime) {
    EXPECT_EQ(fill(kCaps, {0, 40 * kMs, 60 * kMs, 105 * kMs, 130 * kMs}).kinds, "F0 F1 F2 F3 F4");
    const std::vector<GstClockTime> gaps = {0, 200 * kMs, 400 * kMs};
    EXPECT_EQ(fill("video/x-raw,format=YUY2,width=2,height=2,framerate=0/1", gaps).kinds,
              "F0 F1 F2");
    EXPECT_EQ(fill("image/jpeg,width=2,height=2", gaps).kinds, "F0 F1 F2");
    // Two minutes between frames is no camera pause: the grid starts again.
    EXPECT_EQ(fill(kCaps, {0, 120 * GST_SECOND, 120 * GST_SECOND + 67 * kMs}).kinds, "F0 F1 E F2");
}

}  // namespace
