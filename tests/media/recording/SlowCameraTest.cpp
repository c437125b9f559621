// AVI clips from a camera that sends fewer frames than its 30 fps caps say (dim light): the
// clip lasts as long as its frames span, holds each camera frame once at its own time, and
// plays with its sound. A camera at its full rate gets no empty slots.
#include <cmath>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>
#include <qtestsupport_core.h>

#include "MediaFileProbe.h"
#include "RecordingFixture.h"
#include "app/gallery/VideoThumbnail.h"
#include "capture/nDirectShow.h"
#include "filter/MyTransFilter.h"
#include "platform/media/VirtualDeviceProvider.h"
#include "support/TestEnvironment.h"

using namespace platform::media;

namespace {

constexpr double kSlot = 1.0 / 30.0;

struct SlowCase {
    const char* format;      // what the camera delivers
    const char* compressor;  // CompressorName ("" raw)
    int deliveredFps;        // 0: every frame its caps promise
};

void PrintTo(const SlowCase& c, std::ostream* os) {
    *os << c.format << " camera sending " << (c.deliveredFps != 0 ? c.deliveredFps : 30)
        << " fps, compressor \"" << c.compressor << "\"";
}

// The times (from the opening) of the camera frames that went to the recording.
struct Handed {
    std::mutex mutex;
    std::vector<GstClockTime> pts;  // guarded by mutex

    std::vector<GstClockTime> copy() {
        std::lock_guard lock(mutex);
        return pts;
    }
};

GstPadProbeReturn onFrame(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* handed = static_cast<Handed*>(data);
    std::lock_guard lock(handed->mutex);
    handed->pts.push_back(GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info)));
    return GST_PAD_PROBE_OK;
}

class SlowCamera : public RecordingFixture, public testing::WithParamInterface<SlowCase> {};

TEST_P(SlowCamera, ClipKeepsTheTimeOfItsFramesAndEachFrameOnce) {
    const SlowCase& c = GetParam();
    std::string camera = std::string("camera:name=Cam,vid=3a7b,pid=0b01,formats=") + c.format;
    if (c.deliveredFps != 0) {
        camera += ",delivers=" + std::to_string(c.deliveredFps);
    }
    VirtualDeviceProvider::configure(camera + ";microphone:name=Mic");
    TDirectShow ds;
    ds.options().CaptureVideo = true;
    ds.options().CaptureAudio = true;
    ds.options().CompressorName = c.compressor;
    platform::VideoInfoHeader f{};
    const std::string format = c.format;
    TDirectShow::FillVH(f, 320, 240, 333333,
                        format == "MJPG"    ? platform::kFourCC_MJPG
                        : format == "RGB24" ? platform::kFourCC_RGB24
                                            : platform::kFourCC_YUY2);
    ds.CapturePinSet(f);
    ds.InitRunCapture("3a7b", "0b01", false);
    const std::string clip = testenv::videosDir() + "/slow.avi";
    ASSERT_TRUE(ds.StartRecord(clip));
    ds.Run();
    ASSERT_TRUE(ds.Ready());
    Pin recorded;
    for (Pin& p : ds.Graph()->findFilterByName("Smart Tee").pins()) {
        if (p.category() == PinCategory::Capture && p.isConnected()) {
            recorded = p.connectedTo();
        }
    }
    ASSERT_TRUE(recorded);
    Handed handed;
    gst_pad_add_probe(recorded.pad(), GST_PAD_PROBE_TYPE_BUFFER, &onFrame, &handed, nullptr);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ds.TransFilter() != nullptr && ds.TransFilter()->streaming(); }, 10000));
    ds.StartCapture();
    const size_t wanted = c.deliveredFps != 0 ? 25 : 60;  // over two seconds either way
    EXPECT_TRUE(QTest::qWaitFor([&] { return handed.copy().size() >= wanted; }, 20000));
    ds.Close();  // the probe goes with the graph

    const std::vector<GstClockTime> pts = handed.copy();
    ASSERT_GE(pts.size(), wanted);
    const double span = static_cast<double>(pts.back() - pts.front()) / GST_SECOND + kSlot;
    const ClipInfo info = probeClip(clip);
    EXPECT_TRUE(info.discovered);
    const ClipStream* v = info.stream("video");
    const ClipStream* a = info.stream("audio");
    ASSERT_NE(v, nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_NEAR(v->duration, span, 2 * kSlot) << "the picture plays at the wrong speed";
    EXPECT_NEAR(static_cast<double>(v->headerFrames) * kSlot, span, 2 * kSlot);
    // The sound runs from the opening to the stop (a PCM stream's header counts its samples);
    // the picture misses at most the time before its first frame and after its last.
    ASSERT_GT(a->sampleRate, 0);
    const double sound = static_cast<double>(a->headerFrames) / a->sampleRate;
    const double frameGap = 1.0 / (c.deliveredFps != 0 ? c.deliveredFps : 30);
    EXPECT_NEAR(sound, v->duration, 2 * frameGap + 0.1) << "picture and sound out of step";
    EXPECT_EQ(decodeProblems(clip), "");
    QImage first;
    EXPECT_EQ(gallery::MakeVideoThumbnail(clip, first), platform::S_Ok);
    EXPECT_EQ(first.size(), QSize(320, 240));

    // Each camera frame once, at its own time: the empty slots are no frames of their own.
    const std::vector<ClipFrame> frames = clipVideoFrames(clip);
    ASSERT_EQ(frames.size(), pts.size());
    EXPECT_EQ(v->frames, static_cast<long>(pts.size()));
    if (c.deliveredFps == 0) {
        EXPECT_EQ(v->headerFrames, v->frames) << "empty slots at the full rate";
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        const double at = static_cast<double>(pts[i] - pts.front()) / GST_SECOND;
        if (std::fabs(frames[i].time - at) > kSlot / 2 + 1e-3) {
            ADD_FAILURE() << "frame " << i << " plays at " << frames[i].time << " s, sent at " << at
                          << " s";
            break;
        }
        EXPECT_TRUE(i == 0 || frames[i].md5 != frames[i - 1].md5) << "frame " << i << " repeats";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Clips, SlowCamera,
    testing::Values(SlowCase{"YUY2", "", 10}, SlowCase{"RGB24", "", 10}, SlowCase{"MJPG", "", 10},
                    SlowCase{"YUY2", "JPEG image encoder", 15}, SlowCase{"YUY2", "", 0}),
    [](const testing::TestParamInfo<SlowCase>& p) {
        const SlowCase& c = p.param;
        return std::string(c.format) + (c.compressor[0] != 0 ? "Jpeg" : "") + "At" +
               std::to_string(c.deliveredFps != 0 ? c.deliveredFps : 30) + "Fps";
    });

}  // namespace
