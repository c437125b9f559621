// The component's recording builds on virtual devices: what each branch writes, that nothing
// is written before StartCapture, which profile a Windows Media recording reads, and clips
// that stay playable when the disk fills, the file-size limit hits or the camera goes away.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <qtestsupport_core.h>

#include "MediaFileProbe.h"
#include "RecordingFixture.h"
#include "capture/nDirectShow.h"
#include "filter/MyTransFilter.h"
#include "platform/Sleep.h"
#include "platform/media/VirtualDeviceProvider.h"
#include "support/TestEnvironment.h"

using namespace platform::media;

namespace {

constexpr const char* kCamera = "camera:name=Cam,vid=3a7b,pid=0b01";
constexpr const char* kMicrophone = "microphone:name=Mic";

long fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

bool connectedTo(const Filter& down, const std::string& upName) {
    for (const Pin& p : down.pins()) {
        if (p.direction() == PinDirection::Input && p.isConnected() &&
            p.connectedTo().filter().name() == upName) {
            return true;
        }
    }
    return false;
}

bool anyInputConnected(const Filter& f) {
    for (const Pin& p : f.pins()) {
        if (p.direction() == PinDirection::Input && p.isConnected()) {
            return true;
        }
    }
    return false;
}

class Recording : public RecordingFixture {
  protected:
    void SetUp() override {
        RecordingFixture::SetUp();
        file_ = testenv::videosDir() + "/" +
                testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    static void useFormat(TDirectShow& ds, uint32_t w, uint32_t h, uint32_t fourcc) {
        platform::VideoInfoHeader f{};
        TDirectShow::FillVH(f, w, h, 333333, fourcc);
        ds.CapturePinSet(f);
    }
    // What the window does: start, run, wait, capture for `ms`, stop by closing.
    static void record(TDirectShow& ds, const std::string& path, int ms) {
        ASSERT_TRUE(ds.StartRecord(path));
        ds.Run();
        ASSERT_TRUE(ds.Ready());
        ASSERT_TRUE(ds.InRecord());
        QTest::qWait(300);
        ds.options().CaptureAudio = true;
        ds.StartCapture();
        QTest::qWait(ms);
        ds.Close();
    }

    std::string file_;
};

TEST_F(Recording, RawAviWithSoundStartsAtStartCaptureAndEndsComplete) {
    VirtualDeviceProvider::configure(std::string(kCamera) + ";" + kMicrophone);
    TDirectShow ds;
    ds.options().CaptureVideo = true;
    ds.options().CaptureAudio = true;
    useFormat(ds, 640, 480, platform::kFourCC_YUY2);
    ds.InitRunCapture("3a7b", "0b01", false);
    ds.Run();
    ASSERT_TRUE(ds.Ready());

    const std::string path = file_ + ".avi";
    ASSERT_TRUE(ds.StartRecord(path));
    EXPECT_EQ(ds.FileName(), path);
    ds.Run();
    ASSERT_TRUE(ds.InRecord());
    EXPECT_FALSE(ds.CaptureStarted());
    QTest::qWait(1000);
    EXPECT_EQ(fileSize(path), 0) << "written before StartCapture";
    ds.StartCapture();
    EXPECT_TRUE(ds.CaptureStarted());
    const auto started = std::chrono::steady_clock::now();
    QTest::qWait(2000);
    const double recorded =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ds.StopRecord();
    // Back to the preview, the file complete.
    EXPECT_FALSE(ds.InRecord());
    EXPECT_TRUE(ds.Ready());
    ds.Close();

    const ClipInfo info = probeClip(path);
    ASSERT_TRUE(info.probed);
    EXPECT_TRUE(info.discovered);
    const ClipStream* v = info.stream("video");
    const ClipStream* a = info.stream("audio");
    ASSERT_NE(v, nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(v->codec, "rawvideo");
    EXPECT_EQ(v->width, 640);
    EXPECT_EQ(v->height, 480);
    EXPECT_EQ(a->codec, "pcm_s16le");
    EXPECT_EQ(a->sampleRate, 44100);
    // The clip lasts as long as capture ran, within a few frames (the stop is taken at its
    // running time, so frames still on their way are kept).
    EXPECT_NEAR(info.duration, recorded, 3.0 / 30.0);
    EXPECT_NEAR(static_cast<double>(v->frames) / 30.0, info.duration, 2.0 / 30.0);
}

// Also: the 300 ms timer feeds the elapsed time to the stamp only once capture has started.
TEST_F(Recording, WithoutAMicrophoneTheClipHasNoSound) {
    VirtualDeviceProvider::configure(kCamera);
    TDirectShow ds;
    ds.options().CaptureVideo = true;
    ds.options().CaptureAudio = true;
    ds.options().AddTimeStr = true;
    useFormat(ds, 320, 240, platform::kFourCC_YUY2);
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.StartRecord(file_ + ".avi"));
    EXPECT_FALSE(ds.options().CaptureAudio);  // no microphone to bind
    ds.Run();
    QTest::qWait(1300);
    ASSERT_NE(ds.TransFilter(), nullptr);
    EXPECT_EQ(ds.TransFilter()->elapsed(), filter::ElapsedTime{});
    ds.StartCapture();
    QTest::qWait(1000);
    EXPECT_GE(ds.TransFilter()->elapsed().seconds, 2);  // counted from the graph's connection
    ds.Close();
    const ClipInfo info = probeClip(file_ + ".avi");
    EXPECT_TRUE(info.discovered);
    ASSERT_NE(info.stream("video"), nullptr);
    EXPECT_EQ(info.stream("audio"), nullptr);
    EXPECT_GT(info.duration, 0.5);
}

TEST_F(Recording, AnMjpgCameraWritesItsFramesAsTheyComeWithTheStampOnThePreviewOnly) {
    VirtualDeviceProvider::configure(std::string(kCamera) + ",formats=MJPG;" + kMicrophone);
    TDirectShow ds;
    ds.options().CaptureVideo = true;
    ds.options().CaptureAudio = true;
    ds.options().ShowDate = true;
    ds.options().AddTimeStr = true;
    useFormat(ds, 640, 480, platform::kFourCC_MJPG);
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.StartRecord(file_ + ".avi"));
    // The tee takes the camera itself; the frame filter sits behind the decoder.
    auto graph = ds.Graph();
    EXPECT_TRUE(connectedTo(graph->findFilterByName("Smart Tee"), "Source Capture"));
    EXPECT_TRUE(connectedTo(graph->findFilterByName("MJPEGDEC"), "Smart Tee"));
    EXPECT_FALSE(connectedTo(graph->findFilterByName("AVI Mux"), "My TransFilter"));
    ds.Run();
    ASSERT_TRUE(ds.Ready());
    ds.StartCapture();
    QTest::qWait(1200);
    ds.Close();
    const ClipInfo info = probeClip(file_ + ".avi");
    EXPECT_TRUE(info.discovered);
    ASSERT_NE(info.stream("video"), nullptr);
    EXPECT_EQ(info.stream("video")->codec, "mjpeg");
    ASSERT_NE(info.stream("audio"), nullptr);
}

TEST_F(Recording, WindowsMediaReadsTheProfileOfSizeAndQuality) {
    VirtualDeviceProvider::configure(std::string(kCamera) + ";" + kMicrophone);
    TDirectShow ds;
    ds.options().CompressorName = "WMV";
    ds.options().CaptureVideo = true;
    ds.options().CaptureAudio = true;
    ds.options().HighQualityVideo = true;
    ds.options().HighQualityAudio = false;
    useFormat(ds, 1280, 720, platform::kFourCC_YUY2);
    ds.InitRunCapture("3a7b", "0b01", false);
    record(ds, file_ + ".wmv", 1500);
    EXPECT_EQ(ds.ProfileFile(), "prxs/Higher_1280x720_SA.prx");
    EXPECT_EQ(ds.PinConnectResult(), 0);
    const ClipInfo info = probeClip(file_ + ".wmv");
    EXPECT_TRUE(info.discovered);
    EXPECT_EQ(info.format, "asf");
    const ClipStream* v = info.stream("video");
    const ClipStream* a = info.stream("audio");
    ASSERT_NE(v, nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(v->codec, "wmv2");
    EXPECT_EQ(v->width, 1280);
    EXPECT_EQ(v->height, 720);
    EXPECT_EQ(a->codec, "wmav2");
    EXPECT_GT(info.duration, 1.0);
    EXPECT_LT(info.duration, 2.5);
}

TEST_F(Recording, AMissingProfileKeepsTheWritersOwn) {
    VirtualDeviceProvider::configure(std::string(kCamera) + ";" + kMicrophone);
    std::filesystem::current_path(testenv::tempDir());  // no prxs here
    TDirectShow ds;
    ds.options().CompressorName = "WMV";
    ds.options().CaptureVideo = true;
    ds.options().CaptureAudio = false;
    useFormat(ds, 320, 240, platform::kFourCC_YUY2);
    ds.InitRunCapture("3a7b", "0b01", false);
    record(ds, file_ + ".wmv", 1000);
    EXPECT_EQ(ds.ProfileFile(), "prxs/Standard_320x240.prx");
    const ClipInfo info = probeClip(file_ + ".wmv");
    EXPECT_TRUE(info.discovered);
    ASSERT_NE(info.stream("video"), nullptr);
    EXPECT_EQ(info.stream("video")->codec, "wmv2");
    // The default profile's audio input had nothing to feed it: left out, the file completes.
    EXPECT_EQ(info.stream("audio"), nullptr);
}

TEST_F(Recording, SoundAloneAsWindowsMediaKeepsThePreview) {
    VirtualDeviceProvider::configure(std::string(kCamera) + ";" + kMicrophone);
    TDirectShow ds;
    ds.options().CaptureVideo = false;
    ds.options().CaptureAudio = true;
    ds.options().AudioCompressorName = "WMA";
    useFormat(ds, 640, 480, platform::kFourCC_YUY2);
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.StartRecord(file_ + ".wma"));
    EXPECT_EQ(ds.ProfileFile(), "prxs/Higher_Audio.prx");
    EXPECT_TRUE(anyInputConnected(ds.Graph()->findFilterByName("VMR")));
    ds.Run();
    ds.StartCapture();
    QTest::qWait(1200);
    ds.Close();
    const ClipInfo info = probeClip(file_ + ".wma");
    EXPECT_TRUE(info.discovered);
    EXPECT_EQ(info.stream("video"), nullptr);
    ASSERT_NE(info.stream("audio"), nullptr);
    EXPECT_EQ(info.stream("audio")->codec, "wmav2");
}

TEST_F(Recording, SoundAloneToAviOrWav) {
    VirtualDeviceProvider::configure(std::string(kCamera) + ";" + kMicrophone);
    TDirectShow ds;
    ds.options().CaptureVideo = false;
    ds.options().CaptureAudio = true;
    useFormat(ds, 640, 480, platform::kFourCC_YUY2);
    ds.InitRunCapture("3a7b", "0b01", false);

    // Any other name: an audio-only AVI, and no preview while it records.
    ds.options().AudioCompressorName = "No Compress";
    ASSERT_TRUE(ds.StartRecord(file_ + ".avi"));
    EXPECT_FALSE(anyInputConnected(ds.Graph()->findFilterByName("VMR")));
    ds.Run();
    ds.StartCapture();
    QTest::qWait(1000);
    ds.StopRecord();
    ClipInfo info = probeClip(file_ + ".avi");
    EXPECT_TRUE(info.discovered);
    EXPECT_EQ(info.stream("video"), nullptr);
    ASSERT_NE(info.stream("audio"), nullptr);
    EXPECT_EQ(info.stream("audio")->codec, "pcm_s16le");
    EXPECT_GT(info.duration, 0.5);

    ds.options().AudioCompressorName = "WAV";
    ds.options().CaptureAudio = true;
    ASSERT_TRUE(ds.StartRecord(file_ + ".wav"));
    ASSERT_TRUE(ds.Graph()->findFilterByName("WavDest"));
    EXPECT_TRUE(anyInputConnected(ds.Graph()->findFilterByName("VMR")));
    ds.Run();
    ds.StartCapture();
    QTest::qWait(1000);
    ds.Close();
    info = probeClip(file_ + ".wav");
    EXPECT_TRUE(info.discovered);
    EXPECT_EQ(info.format, "wav");
    ASSERT_NE(info.stream("audio"), nullptr);
    EXPECT_EQ(info.stream("audio")->codec, "pcm_s16le");
    EXPECT_GT(info.duration, 0.5);
    EXPECT_LT(info.duration, 2.0);
}

TEST_F(Recording, OutsideARecordingStartCaptureOnlySetsItsFlagAndPositionsAreZero) {
    VirtualDeviceProvider::configure(kCamera);
    TDirectShow ds;
    ds.InitRunCapture("3a7b", "0b01", false);
    ds.Run();
    ASSERT_TRUE(ds.Ready());
    ds.StartCapture();
    EXPECT_TRUE(ds.CaptureStarted());
    EXPECT_FALSE(ds.InRecord());
    EXPECT_FALSE(ds.Graph()->findFilterByName("File Writer"));
    EXPECT_EQ(ds.GetMediaPos(), 0);
    EXPECT_EQ(ds.GetMediaLength(), 0);
    EXPECT_FALSE(ds.SetMediaPos(10000000));
    // A name longer than the file-name field is refused rather than shortened.
    EXPECT_FALSE(ds.StartRecord(testenv::videosDir() + "/" + std::string(300, 'n') + ".avi"));
    EXPECT_FALSE(ds.InRecord());
    ds.Close();
}

TEST_F(Recording, PositionsOfAPlayedFile) {
    VirtualDeviceProvider::configure(std::string(kCamera) + ";speaker:name=Out");
    const std::string clip = file_ + ".avi";
    {
        TDirectShow rec;
        rec.options().CaptureVideo = true;
        useFormat(rec, 320, 240, platform::kFourCC_YUY2);
        rec.InitRunCapture("3a7b", "0b01", false);
        record(rec, clip, 1500);
    }
    TDirectShow ds;
    ds.InitRunFile(clip, false);
    ds.Run();
    ASSERT_TRUE(ds.Ready());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ds.GetMediaLength() > 0; }, 3000));
    const int64_t length = ds.GetMediaLength();
    EXPECT_NEAR(static_cast<double>(length) / 1e7, probeClip(clip).duration, 0.05);
    EXPECT_TRUE(ds.SetMediaPos(length / 2));
    QTest::qWait(200);
    EXPECT_GE(ds.GetMediaPos(), length / 2 - 1000000);
    EXPECT_LE(ds.GetMediaPos(), length);
    ds.Close();
    EXPECT_EQ(ds.GetMediaPos(), 0);
}

TEST_F(Recording, TheCameraPulledMidRecordingLeavesAPlayableClip) {
    VirtualDeviceProvider::configure(std::string(kCamera) + ";" + kMicrophone);
    TDirectShow ds;
    int ended = 0;
    ds.events().OnRecordDiskFull = [&](TDirectShow*, void*) { ++ended; };
    ds.events().OnRecordFileLimit = [&](TDirectShow*, void*) { ++ended; };
    ds.options().CaptureVideo = true;
    ds.options().CaptureAudio = true;
    useFormat(ds, 320, 240, platform::kFourCC_YUY2);
    ds.InitRunCapture("3a7b", "0b01", false);
    const std::string path = file_ + ".avi";
    ASSERT_TRUE(ds.StartRecord(path));
    ds.Run();
    ds.StartCapture();
    QTest::qWait(1000);
    // The device goes, and its element fails as a pulled v4l2 camera does: a read error whose
    // system error text is that of a full disk, then no more frames.
    std::vector<GstRef<GstDevice>> cams = VirtualDeviceProvider::devices(VirtualKind::Camera);
    ASSERT_FALSE(cams.empty());
    ASSERT_TRUE(VirtualDeviceProvider::remove(VirtualDeviceProvider::displayName(cams[0].get())));
    GstElement* camera = ds.VideoSource().element();
    GError* e = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
                                    "Could not read from resource.");
    const std::string debug = std::string("poll error 1: ") + g_strerror(ENOSPC);
    gst_element_post_message(camera, gst_message_new_error(GST_OBJECT(camera), e, debug.c_str()));
    g_error_free(e);
    gst_element_set_locked_state(camera, TRUE);
    gst_element_set_state(camera, GST_STATE_NULL);
    QTest::qWait(200);
    EXPECT_EQ(ended, 0) << "the camera's error was taken for the file's";
    gst_element_set_locked_state(camera, FALSE);
    ds.Close();  // what the window does on the unplug notification
    const ClipInfo info = probeClip(path);
    EXPECT_TRUE(info.discovered);
    ASSERT_NE(info.stream("video"), nullptr);
    EXPECT_GT(info.stream("video")->frames, 10);
    EXPECT_NE(info.stream("audio"), nullptr);
}

// A 1 MiB tmpfs fills within a second of raw video.
TEST_F(Recording, DiskFullRaisesItsEventAndTheClipSoFarPlays) {
    const std::string dir = testenv::root() + "/full";
    std::filesystem::create_directories(dir);
    if (::geteuid() != 0 || ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    }
    VirtualDeviceProvider::configure(std::string(kCamera) + ";" + kMicrophone);
    {
        TDirectShow ds;
        int diskFull = 0;
        ds.events().OnRecordDiskFull = [&](TDirectShow*, void*) {
            ++diskFull;
            if (ds.InRecord()) {
                ds.Close();  // the window stops the recording on the event
            }
        };
        ds.options().CaptureVideo = true;
        ds.options().CaptureAudio = true;
        useFormat(ds, 320, 240, platform::kFourCC_YUY2);
        ds.InitRunCapture("3a7b", "0b01", false);
        ASSERT_TRUE(ds.StartRecord(dir + "/clip.avi"));
        ds.Run();
        ds.StartCapture();
        EXPECT_TRUE(QTest::qWaitFor([&] { return diskFull > 0; }, 8000));
        EXPECT_EQ(diskFull, 1);
        ds.Close();
    }
    const ClipInfo info = probeClip(dir + "/clip.avi");
    EXPECT_TRUE(info.discovered);
    ASSERT_NE(info.stream("video"), nullptr);
    EXPECT_GT(info.stream("video")->frames, 0);
    ::umount(dir.c_str());
}

// The child half of the file-limit test runs in a process with RLIMIT_FSIZE set by prlimit.
TEST_F(Recording, FileLimitChild) {
    const char* target = std::getenv("PEEKBOX_FILE_LIMIT_TARGET");
    if (target == nullptr) {
        GTEST_SKIP() << "run by FileLimitRaisesItsEventAndTheClipSoFarPlays";
    }
    VirtualDeviceProvider::configure(std::string(kCamera) + ";" + kMicrophone);
    TDirectShow ds;
    int limit = 0;
    ds.events().OnRecordFileLimit = [&](TDirectShow*, void*) {
        ++limit;
        if (ds.InRecord()) {
            ds.Close();
        }
    };
    ds.options().CaptureVideo = true;
    ds.options().CaptureAudio = true;
    useFormat(ds, 320, 240, platform::kFourCC_YUY2);
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.StartRecord(target));
    ds.Run();
    ds.StartCapture();
    ASSERT_TRUE(QTest::qWaitFor([&] { return limit > 0; }, 8000));
    EXPECT_EQ(limit, 1);
}

TEST_F(Recording, FileLimitRaisesItsEventAndTheClipSoFarPlays) {
    const std::string target = file_ + ".avi";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string cmd = "PEEKBOX_FILE_LIMIT_TARGET='" + target + "' prlimit --fsize=1500000 '" +
                            self + "' --gtest_filter=Recording.FileLimitChild >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_LE(fileSize(target), 1500000);
    const ClipInfo info = probeClip(target);
    EXPECT_TRUE(info.discovered);
    ASSERT_NE(info.stream("video"), nullptr);
    EXPECT_GT(info.stream("video")->frames, 0);
}

}  // namespace
