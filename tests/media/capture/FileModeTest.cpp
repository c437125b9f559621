// Builds on a media file: pictures through the frame filter to the renderer, sound to the
// output, and what a file without sound or a missing file gives.
#include <string>

#include <gst/gst.h>

#include "CaptureFixture.h"
#include "capture/nDirectShow.h"
#include "filter/MyTransFilter.h"
#include "platform/media/VideoWindow.h"
#include "support/TestEnvironment.h"

using namespace platform::media;

namespace {

class FileMode : public CaptureFixture {
  protected:
    // Writes a short AVI clip with gst-launch syntax; true when it was finished.
    static bool writeClip(const std::string& path, bool withSound) {
        std::string desc =
            "videotestsrc num-buffers=60 pattern=ball ! "
            "video/x-raw,format=I420,width=160,height=120,framerate=30/1 ! jpegenc ! avimux name=m "
            "! filesink location=\"" +
            path + "\"";
        if (withSound) {
            desc += " audiotestsrc num-buffers=40 ! audio/x-raw,format=S16LE,rate=44100 ! m.";
        }
        GError* error = nullptr;
        GstElement* p = gst_parse_launch(desc.c_str(), &error);
        if (p == nullptr) {
            g_clear_error(&error);
            return false;
        }
        gst_element_set_state(p, GST_STATE_PLAYING);
        g_autoptr(GstBus) bus = gst_element_get_bus(p);
        g_autoptr(GstMessage) m = gst_bus_timed_pop_filtered(
            bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        const bool ok = m != nullptr && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
        gst_element_set_state(p, GST_STATE_NULL);
        gst_object_unref(p);
        return ok;
    }
};

TEST_F(FileMode, ClipWithSoundRendersBothStreams) {
    devices("speaker:name=S");
    const std::string clip = testenv::tempDir() + "/with-sound.avi";
    ASSERT_TRUE(writeClip(clip, true));
    TDirectShow ds;
    ds.options().StillByTransFtr = true;
    ds.InitRunFile(clip, false);
    ASSERT_TRUE(ds.DeviceEnable());
    EXPECT_TRUE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "Preview");
    EXPECT_EQ(ds.AudioRanderResult(), 0);
    EXPECT_EQ(ds.PreviewRanderResult(), 0);
    auto g = ds.Graph();
    EXPECT_TRUE(g->findFilterByName("SOURCE"));
    EXPECT_TRUE(g->findFilterByName("Audio Output"));
    EXPECT_TRUE(g->findFilterByName("My TransFilter"));
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return g->videoWindow()->framesDelivered() >= 3; }));
    // The picture passed the frame filter on its way.
    EXPECT_TRUE(ds.TransFilter()->streaming());
}

TEST_F(FileMode, ClipWithoutSoundKeepsTheAudioFailureAndStillShowsVideo) {
    devices("speaker:name=S");
    const std::string clip = testenv::tempDir() + "/silent.avi";
    ASSERT_TRUE(writeClip(clip, false));
    TDirectShow ds;
    ds.InitRunFile(clip, false);
    ASSERT_TRUE(ds.DeviceEnable());
    EXPECT_LT(ds.AudioRanderResult(), 0);
    EXPECT_EQ(ds.PreviewRanderResult(), 0);
    EXPECT_TRUE(ds.Ready());
    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    auto g = ds.Graph();
    EXPECT_TRUE(QTest::qWaitFor([&] { return g->videoWindow()->framesDelivered() >= 3; }));
}

TEST_F(FileMode, MissingFileFindsNoSource) {
    devices("speaker:name=S");
    TDirectShow ds;
    ds.InitRunFile(testenv::tempDir() + "/nothing-here.avi", false);
    EXPECT_FALSE(ds.DeviceEnable());
    EXPECT_FALSE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "No Preview");
}

}  // namespace
