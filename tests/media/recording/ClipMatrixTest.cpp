// Every kind of clip and picture a user can make, read by the strictest readers: ffmpeg with
// -xerror decodes each clip without a message, its frame count matches its header and its
// duration, its sound's sample count matches the duration within one packet; jpeginfo,
// djpeg -strict and exiv2 read each snapshot clean. A failure names the kind of file.
//
// The choices multiply to 3 compressors x 3 camera formats x 3 sizes x stamps x the sound's
// 14 names: over 2,000 clips, far too many for CI. The video choices are covered pairwise
// (every pair of values of any two choices is in some clip: nine clips, each with a snapshot
// of its camera format and size), the three names that mean uncompressed sound rotate through
// those, and every sound compressor of the catalogue gets a small clip of its own.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <qtestsupport_core.h>

#include "MediaFileProbe.h"
#include "RecordingFixture.h"
#include "app/gallery/JpegWriter.h"
#include "capture/nDirectShow.h"
#include "filter/MyTransFilter.h"
#include "platform/Sleep.h"
#include "platform/media/VirtualDeviceProvider.h"
#include "support/TestEnvironment.h"

using namespace platform::media;

namespace {

constexpr long kRecordedFrames = 30;  // a second at the cameras' 30 frames a second

struct ClipCase {
    const char* compressor;  // CompressorName: "" (raw AVI), a catalogue name or "WMV"
    const char* format;      // what the camera delivers: "YUY2", "RGB24" or "MJPG"
    uint32_t width;
    uint32_t height;
    bool stamps;                  // ShowDate and AddTimeStr
    const char* soundCompressor;  // AudioCompressorName
};

uint32_t fourccOf(const std::string& format) {
    if (format == "MJPG") {
        return platform::kFourCC_MJPG;
    }
    return format == "RGB24" ? platform::kFourCC_RGB24 : platform::kFourCC_YUY2;
}

std::string clipKind(const ClipCase& c) {
    std::ostringstream s;
    const std::string compressor = c.compressor;
    s << (compressor.empty()    ? "raw AVI"
          : compressor == "WMV" ? "WMV (ASF)"
                                : compressor + " AVI")
      << " clip from a " << c.format << " camera at " << c.width << "x" << c.height
      << (c.stamps ? " with stamps" : "") << ", sound \"" << c.soundCompressor << "\"";
    return s.str();
}

// gtest names a failing case's parameter by this.
void PrintTo(const ClipCase& c, std::ostream* os) {
    *os << clipKind(c);
}

// Letters and digits of `text`, anything else as '_' (a test's or a file's name).
std::string safeName(const std::string& text) {
    std::string name;
    for (char ch : text) {
        name += std::isalnum(static_cast<unsigned char>(ch)) != 0 ? ch : '_';
    }
    return name;
}

std::string caseName(const testing::TestParamInfo<ClipCase>& info) {
    const ClipCase& c = info.param;
    const std::string compressor = c.compressor;
    std::string name = compressor.empty() ? "Raw" : compressor == "WMV" ? "Wmv" : "Mjpeg";
    name += std::string("_") + c.format + "_" + std::to_string(c.width) + "x" +
            std::to_string(c.height) + (c.stamps ? "_Stamps_" : "_") + safeName(c.soundCompressor);
    return name;
}

// Counts the video buffers that reach the recording's writer.
GstPadProbeReturn countBuffer(GstPad*, GstPadProbeInfo*, gpointer counter) {
    static_cast<std::atomic<long>*>(counter)->fetch_add(1, std::memory_order_relaxed);
    return GST_PAD_PROBE_OK;
}

class ClipRecording : public RecordingFixture {
  protected:
    // The window's recording with the component set as the program sets it: a snapshot from
    // the preview (when `snapshot`), then a clip of kRecordedFrames frames. Answers the clip's
    // path.
    static std::string recordClip(const ClipCase& c, const std::string& name, bool snapshot) {
        VirtualDeviceProvider::configure(std::string("camera:name=Cam,vid=3a7b,pid=0b01,formats=") +
                                         c.format + ";microphone:name=Mic");
        TDirectShow ds;
        CaptureOptions& o = ds.options();
        o.CaptureVideo = true;
        o.CaptureAudio = true;
        o.StillByTransFtr = true;
        o.ShowDate = c.stamps;
        o.AddTimeStr = c.stamps;
        o.CompressorName = c.compressor;
        o.AudioCompressorName = c.soundCompressor;
        platform::VideoInfoHeader f{};
        TDirectShow::FillVH(f, c.width, c.height, 333333, fourccOf(c.format));
        ds.CapturePinSet(f);
        ds.InitRunCapture("3a7b", "0b01", false);
        ds.Run();
        EXPECT_TRUE(ds.Ready()) << clipKind(c);
        EXPECT_TRUE(QTest::qWaitFor([&] { return streaming(ds); }, 10000)) << clipKind(c);

        if (snapshot) {
            const std::string picture = testenv::picturesDir() + "/" + name + ".jpg";
            QImage still;
            platform::setSleepScale(1.0);  // the still's wait must let a real frame arrive
            EXPECT_TRUE(ds.StillImg() && ds.GetImg(still)) << "no still: " << clipKind(c);
            platform::setSleepScale(0.0);
            EXPECT_TRUE(gallery::SaveJpegWithExif(still, picture, "Peekbox"));
            EXPECT_EQ(pictureProblems(picture), "")
                << "snapshot from a " << c.format << " camera at " << c.width << "x" << c.height;
        }

        const std::string clip = testenv::videosDir() + "/" + name + ".avi";
        if (!ds.StartRecord(clip)) {
            ADD_FAILURE() << "no recording build: " << clipKind(c);
            return clip;
        }
        ds.Run();
        if (!ds.Ready() || !ds.Graph()) {
            ADD_FAILURE() << "the recording does not run: " << clipKind(c);
            return clip;
        }
        std::atomic<long> frames{0};
        Pin recorded;
        for (Pin& p : ds.Graph()->findFilterByName("Smart Tee").pins()) {
            if (p.category() == PinCategory::Capture && p.isConnected()) {
                recorded = p.connectedTo();
            }
        }
        EXPECT_TRUE(recorded) << clipKind(c);
        const gulong probe = recorded ? gst_pad_add_probe(recorded.pad(), GST_PAD_PROBE_TYPE_BUFFER,
                                                          &countBuffer, &frames, nullptr)
                                      : 0;
        // Capture starts once the camera's frames flow, as after the window's hold.
        EXPECT_TRUE(QTest::qWaitFor([&] { return streaming(ds); }, 10000)) << clipKind(c);
        ds.StartCapture();
        EXPECT_TRUE(QTest::qWaitFor([&] { return frames.load() >= kRecordedFrames; }, 20000))
            << frames.load() << " frames recorded: " << clipKind(c);
        if (probe != 0) {
            gst_pad_remove_probe(recorded.pad(), probe);
        }
        ds.Close();
        return clip;
    }

    static bool streaming(const TDirectShow& ds) {
        return ds.TransFilter() != nullptr && ds.TransFilter()->streaming();
    }
};

class ClipMatrix : public ClipRecording, public testing::WithParamInterface<ClipCase> {};

// Container, video codec and sound codec of a clip, as README's table of clip kinds says.
std::string containerAndCodecs(const ClipCase& c) {
    const std::string compressor = c.compressor;
    if (compressor == "WMV") {
        return "asf wmv2 wmav2";
    }
    const bool jpeg = std::string(c.format) == "MJPG" || compressor == "JPEG image encoder";
    return std::string("avi ") + (jpeg ? "mjpeg" : "rawvideo") + " pcm_s16le";
}

TEST_P(ClipMatrix, ClipAndSnapshotReadClean) {
    const ClipCase& c = GetParam();
    const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string clip = recordClip(c, test.substr(test.find('/') + 1), true);
    EXPECT_EQ(clipProblems(clip), "") << clipKind(c);
    const ClipInfo info = probeClip(clip);
    EXPECT_TRUE(info.discovered) << clipKind(c);
    const ClipStream* v = info.stream("video");
    const ClipStream* a = info.stream("audio");
    const std::string got =
        info.format + " " + (v != nullptr ? v->codec : "-") + " " + (a != nullptr ? a->codec : "-");
    EXPECT_EQ(got, containerAndCodecs(c)) << clipKind(c);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->width, static_cast<int>(c.width)) << clipKind(c);
    EXPECT_EQ(v->height, static_cast<int>(c.height)) << clipKind(c);
}

// A covering array of strength two over compressor x format x size (an orthogonal array of
// nine rows), the stamps on in two of each value's three rows; the sound's names that mean
// "no compressor" rotate through it.
constexpr ClipCase kCovering[] = {
    {"", "YUY2", 320, 240, false, "No Compress"},
    {"", "RGB24", 640, 480, true, "WAV"},
    {"", "MJPG", 1280, 800, true, "WMA"},
    {"JPEG image encoder", "YUY2", 640, 480, true, "WMA"},
    {"JPEG image encoder", "RGB24", 1280, 800, false, "No Compress"},
    {"JPEG image encoder", "MJPG", 320, 240, true, "WAV"},
    {"WMV", "YUY2", 1280, 800, true, "WAV"},
    {"WMV", "RGB24", 320, 240, true, "WMA"},
    {"WMV", "MJPG", 640, 480, false, "No Compress"},
};

INSTANTIATE_TEST_SUITE_P(Pairwise, ClipMatrix, testing::ValuesIn(kCovering), caseName);

// The sound compressors of Debian 12's catalogue (with the packages scripts/install-deps
// installs), each in a small raw clip of its own. A name the catalogue lists once for two
// encoders is looked up as the first of them, so it appears once.
const std::vector<std::string> kSoundCompressors = {
    "A Law audio encoder",
    "AAC audio encoder",
    "L.A.M.E. mp3 encoder",
    "Mu Law audio encoder",
    "TwoLAME mp2 encoder",
    "libav AAC (Advanced Audio Coding) encoder",
    "libav ATSC A/52A (AC-3) encoder",
    "libav MP2 (MPEG audio layer 2) encoder",
    "libav MP2 fixed point (MPEG audio layer 2) encoder",
    "libav Windows Media Audio 1 encoder",
    "libav Windows Media Audio 2 encoder",
};

std::vector<std::string> soundCatalogue() {
    std::vector<std::string> names;
    TDirectShow ds;
    ds.GetAudioCompressorsList(names);
    return names;
}

TEST_F(ClipRecording, EverySoundCompressorOfTheCatalogueHasItsClip) {
    for (const std::string& name : soundCatalogue()) {
        EXPECT_NE(std::find(kSoundCompressors.begin(), kSoundCompressors.end(), name),
                  kSoundCompressors.end())
            << "no clip is made with the sound compressor \"" << name << "\"";
    }
}

class SoundClip : public ClipRecording, public testing::WithParamInterface<std::string> {};

TEST_P(SoundClip, ReadsClean) {
    const std::vector<std::string> catalogue = soundCatalogue();
    if (std::find(catalogue.begin(), catalogue.end(), GetParam()) == catalogue.end()) {
        GTEST_SKIP() << "not a compressor of this system";
    }
    const ClipCase c{"", "YUY2", 320, 240, false, GetParam().c_str()};
    const std::string clip = recordClip(c, "Sound_" + safeName(GetParam()), false);
    EXPECT_EQ(clipProblems(clip), "") << clipKind(c);
    const ClipInfo info = probeClip(clip);
    EXPECT_TRUE(info.discovered) << clipKind(c);
    EXPECT_EQ(info.format, "avi") << clipKind(c);
    const ClipStream* a = info.stream("audio");
    ASSERT_NE(a, nullptr) << clipKind(c);
    EXPECT_NE(a->codec, "pcm_s16le") << "the compressor was not used: " << clipKind(c);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, SoundClip, testing::ValuesIn(kSoundCompressors),
                         [](const testing::TestParamInfo<std::string>& p) {
                             return safeName(p.param);
                         });

}  // namespace
