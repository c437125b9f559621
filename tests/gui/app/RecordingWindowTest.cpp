// Recording from the window on a virtual camera and microphone: numbering, the clip in the
// strip, the caption, the overwrite question and the limit messages; the stamps, compressors
// and motion pictures the settings file asks for.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <qtestsupport_core.h>

#include "app/Main.h"
#include "capture/nDirectShow.h"
#include "media/recording/MediaFileProbe.h"
#include "platform/Sleep.h"
#include "platform/media/VirtualDeviceProvider.h"
#include "support/TestEnvironment.h"

namespace {

class AnsweringBoxes final : public platform::MessageBoxes {
  public:
    platform::MsgAnswer show(QWidget*, const std::string& text, const std::string&,
                             platform::MsgButtons b) override {
        shown.push_back(text);
        if (b == platform::MsgButtons::YesNo) {
            return yes ? platform::MsgAnswer::Yes : platform::MsgAnswer::No;
        }
        return platform::MsgAnswer::Ok;
    }
    std::vector<std::string> shown;
    bool yes = true;
};

std::string runCommand(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p) != nullptr) {
            out += buf;
        }
        ::pclose(p);
    }
    return out;
}

// Pictures in the folder with their modification times, oldest first.
std::vector<std::chrono::nanoseconds> pictureTimes() {
    std::vector<std::chrono::nanoseconds> times;
    for (const auto& entry : std::filesystem::directory_iterator(testenv::picturesDir())) {
        struct stat st {};
        if (entry.path().extension() == ".jpg" && ::stat(entry.path().c_str(), &st) == 0) {
            times.push_back(std::chrono::seconds(st.st_mtim.tv_sec) +
                            std::chrono::nanoseconds(st.st_mtim.tv_nsec));
        }
    }
    std::sort(times.begin(), times.end());
    return times;
}

// Pure red as the stamps draw it, decoded back from the clip (chroma is shared by two pixels).
int redPixels(const std::string& rgb, int width, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const size_t i = (static_cast<size_t>(y) * width + x) * 3;
            if (i + 2 < rgb.size() && static_cast<uint8_t>(rgb[i]) > 150 &&
                static_cast<uint8_t>(rgb[i + 1]) < 100 && static_cast<uint8_t>(rgb[i + 2]) < 100) {
                ++count;
            }
        }
    }
    return count;
}

class RecordingWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::setSleepScale(0.0);
        testenv::clearDir(testenv::videosDir());
        testenv::clearDir(testenv::picturesDir());
        testenv::writeFile(settingsFile(), "[General]\nCounter=1\n");
        ::setenv("TARNWICK_VIRTUAL_DEVICES",
                 "camera:name=Desk Camera,vid=3a7b,pid=0b01;microphone:name=Mic", 1);
    }
    void TearDown() override {
        form.reset();
        ::unsetenv("TARNWICK_VIRTUAL_DEVICES");
    }
    static std::string settingsFile() { return testenv::configHome() + "/Tarnwick/Peekbox.conf"; }

    void makeForm(uint64_t freeBytes = 1ULL << 33) {
        app::AppServices s;
        s.messageBoxes = &boxes;
        s.uiLanguage = [] { return platform::LangId{0x0409}; };
        s.freeSpace = [freeBytes](const std::string&) {
            return std::optional<uint64_t>(freeBytes);
        };
        form = std::make_unique<TMainForm>(editions::edition(), s,
                                           app::defaultCapture(editions::edition(), s));
        ASSERT_TRUE(form->StartPreview(false));
    }

    // Records a clip of at least `seconds` as counted in the caption; its path.
    std::string recordClip(int seconds) {
        form->ToggleRecording();
        EXPECT_TRUE(form->recording());
        const QString elapsed = QString(" - 00:00:%1").arg(seconds, 2, 10, QChar('0'));
        EXPECT_TRUE(QTest::qWaitFor([&] { return form->windowTitle().endsWith(elapsed); },
                                    (seconds + 5) * 1000));
        form->ToggleRecording();
        EXPECT_FALSE(form->recording());
        return form->DirectShow1()->FileName();
    }

    AnsweringBoxes boxes;
    std::unique_ptr<TMainForm> form;
};

}  // namespace

TEST_F(RecordingWindowTest, AClipIsRecordedNumberedAndEntersTheStrip) {
    makeForm();
    form->ToggleRecording();
    ASSERT_TRUE(form->recording());
    EXPECT_EQ(form->buttonState(5), TMainForm::kRecording);
    EXPECT_EQ(form->buttonState(3), TMainForm::kDisabled);
    EXPECT_TRUE(form->recTimerActive());
    // A second of recording, counted in the caption.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->windowTitle().endsWith(" - 00:00:01"); }));
    EXPECT_NE(form->windowTitle().toStdString().find("Norvale Glimmer webcam - 00:00:0"),
              std::string::npos);
    form->ToggleRecording();
    EXPECT_FALSE(form->recording());
    EXPECT_FALSE(form->recTimerActive());
    EXPECT_EQ(form->buttonState(3), TMainForm::kNormal);
    EXPECT_TRUE(form->DirectShow1()->Ready());

    const std::string clip = testenv::videosDir() + "/Movie0001.avi";
    ASSERT_TRUE(testenv::fileExists(clip));
    EXPECT_NE(testenv::readFile(settingsFile()).find("AviCounter=1"), std::string::npos);
    const std::string info = runCommand("gst-discoverer-1.0 '" + clip + "' 2>&1");
    EXPECT_NE(info.find("video"), std::string::npos) << info;
    EXPECT_NE(info.find("audio"), std::string::npos) << info;
    ASSERT_EQ(form->gallery().count(), 1);
    EXPECT_EQ(form->gallery().pathAt(0), clip);
}

// The caption counts whole seconds, rounded: its first reading, half a second after the capture
// starts, is 00:00:01, and each second shows a second later. The capture is started just after a
// half-second boundary of the monotonic clock, where a timer that aligns itself to such
// boundaries (as coarse timers do, by up to 5 %) fires early and would read 00:00:00.
TEST_F(RecordingWindowTest, TheCaptionsFirstReadingIsTheFirstSecond) {
    makeForm();
    QStringList captions;
    // Runs in the two seconds before the capture starts, while the window lets events run.
    QTimer boundary;
    QObject::connect(form.get(), &QWidget::windowTitleChanged, &boundary,
                     [&captions](const QString& caption) { captions << caption; });
    QObject::connect(&boundary, &QTimer::timeout, [&] {
        if (!form->recording() || !form->DirectShow1()->Ready()) {
            return;
        }
        boundary.stop();
        using namespace std::chrono;
        auto phase = [] {
            return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() %
                   500;
        };
        while (phase() < 20 || phase() > 40) {
        }
    });
    boundary.start(0);
    form->ToggleRecording();
    ASSERT_TRUE(form->recording());
    EXPECT_TRUE(QTest::qWaitFor([&] { return captions.size() >= 2; }, 5000));
    form->ToggleRecording();
    ASSERT_GE(captions.size(), 2);
    EXPECT_TRUE(captions[0].endsWith(" - 00:00:01")) << captions[0].toStdString();
    EXPECT_TRUE(captions[1].endsWith(" - 00:00:02")) << captions[1].toStdString();
}

// Delete (or the bin) during the two seconds before the capture starts is ignored at once, as a
// snapshot would be: the window does not freeze waiting for the start it is running itself.
TEST_F(RecordingWindowTest, DeleteWhileARecordingStartsIsIgnoredWithoutWaiting) {
    QImage picture(64, 48, QImage::Format_RGB888);
    picture.fill(Qt::red);
    const std::string path = testenv::picturesDir() + "/Picture0001.jpg";
    ASSERT_TRUE(picture.save(QString::fromStdString(path), "JPEG"));
    makeForm();
    form->RescanGallery();
    form->FormKeyDown(Qt::Key_Right, Qt::NoModifier);
    form->FormKeyDown(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(form->buttonState(2), TMainForm::kNormal);
    QCoreApplication::postEvent(form.get(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier));
    const uint64_t slept = platform::sleptMsTotal();
    form->ToggleRecording();
    ASSERT_TRUE(form->recording());
    // The start waits two seconds in 10 ms steps (and briefly for the camera); waiting for the
    // busy flag would add five more.
    EXPECT_LT(platform::sleptMsTotal() - slept, 4000u);
    QCoreApplication::processEvents();  // a key not yet handled would be handled here
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(testenv::fileExists(path));
    form->ToggleRecording();
}

TEST_F(RecordingWindowTest, DecliningToOverwriteGivesTheNumberBack) {
    testenv::writeFile(settingsFile(), "[General]\nCounter=1\nAviCounter=4\n");
    testenv::writeFile(testenv::videosDir() + "/Movie0005.avi", "old clip");
    makeForm();
    boxes.yes = false;
    form->ToggleRecording();
    EXPECT_FALSE(form->recording());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0],
              testenv::videosDir() + "/Movie0005.avi already exists, do you want to replace it?");
    EXPECT_NE(testenv::readFile(settingsFile()).find("AviCounter=4"), std::string::npos);
    EXPECT_EQ(testenv::readFile(testenv::videosDir() + "/Movie0005.avi"), "old clip");
    EXPECT_EQ(form->buttonState(3), TMainForm::kNormal);
}

TEST_F(RecordingWindowTest, AFullPictureVolumeRefusesAndALimitEventStopsWithItsMessage) {
    makeForm(1048576);
    form->ToggleRecording();
    EXPECT_FALSE(form->recording());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], "Disk space is full.");
    form.reset();

    boxes.shown.clear();
    makeForm();
    form->ToggleRecording();
    ASSERT_TRUE(form->recording());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->windowTitle().contains(" - 00:00:0"); }));
    form->DirectShow1RecordFileLimit(form->DirectShow1(), nullptr);
    EXPECT_FALSE(form->recording());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], "File size is limitted.");
    // Outside a recording the event changes nothing.
    form->DirectShow1RecordDiskFull(form->DirectShow1(), nullptr);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// Folders whose parent is a file cannot be made, for root too: nothing is written anywhere,
// the user is told which folder, and both numbers stay free.
TEST_F(RecordingWindowTest, AFolderThatCannotBeMadeRefusesTheSnapshotAndTheClipAndKeepsTheNumbers) {
    const std::string file = testenv::root() + "/not-a-folder";
    testenv::writeFile(file, "x");
    const std::string userDirs = testenv::configHome() + "/user-dirs.dirs";
    const std::string savedDirs = testenv::readFile(userDirs);
    testenv::writeFile(userDirs, "XDG_PICTURES_DIR=\"" + file + "/Pictures\"\nXDG_VIDEOS_DIR=\"" +
                                     file + "/Videos\"\n");
    makeForm();
    testenv::writeFile(userDirs, savedDirs);

    form->TakeSnapshot();
    form->ToggleRecording();
    EXPECT_EQ(boxes.shown,
              (std::vector<std::string>{"The folder " + file + "/Pictures cannot be used.",
                                        "The folder " + file + "/Videos cannot be used."}));
    EXPECT_FALSE(form->recording());
    EXPECT_EQ(form->pictureCounter(), 1);
    EXPECT_EQ(form->gallery().count(), 0);
    form.reset();
    EXPECT_EQ(testenv::readFile(settingsFile()).find("AviCounter"), std::string::npos);
}

// The date (frame width / 2 by height / 8) in the top-left corner of YUY2 frames and in the
// bottom-right one of RGB24 frames, the elapsed time in the top-right one (width / 4 by
// height / 10, ten rows down), both red, read back from the clip. An MJPEG camera's frames are
// decoded for a Windows Media clip, so that clip is stamped too.
TEST_F(RecordingWindowTest, StampsAskedForInTheSettingsAreBurntIntoTheClip) {
    struct Case {
        const char* camera;
        const char* settings;
        QRect date;
    };
    const Case cases[] = {
        {"camera:name=Desk Camera,vid=3a7b,pid=0b01", "", QRect(0, 0, 320, 60)},
        {"camera:name=Plain Camera,vid=3a7b,pid=0e01,formats=RGB24",
         "[SupportedCameras]\n1=3a7b 0e01 4:3 RGB24 1\n", QRect(320, 420, 320, 60)},
        {"camera:name=Jpeg Camera,vid=3a7b,pid=0e02,formats=MJPG",
         "CompressorName=WMV\n[SupportedCameras]\n1=3a7b 0e02 4:3 MJPG 1\n", QRect(0, 0, 320, 60)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.camera);
        // The first camera is the devices variable's, which is read once a process: the later
        // ones are plugged in directly.
        if (&c != &cases[0]) {
            platform::media::VirtualDeviceProvider::configure(std::string(c.camera) +
                                                              ";microphone:name=Mic");
        }
        testenv::writeFile(
            settingsFile(),
            std::string("[General]\nCounter=1\nShowDate=1\nAddTimeStr=1\n") + c.settings);
        makeForm();
        EXPECT_TRUE(form->DirectShow1()->options().ShowDate);
        EXPECT_TRUE(form->DirectShow1()->options().AddTimeStr);
        const std::string clip = recordClip(2);
        form.reset();
        // A frame from the middle: under load the clip may hold less than the caption counted.
        const ClipInfo info = probeClip(clip);
        ASSERT_GT(info.duration, 0.2) << clip;
        const std::string frame = clipFrameRgb(clip, info.duration / 2);
        ASSERT_EQ(frame.size(), 640u * 480u * 3u);
        const QRect& d = c.date;
        EXPECT_GT(redPixels(frame, 640, d.left(), d.top(), d.right() + 1, d.bottom() + 1), 100)
            << "no date";
        EXPECT_GT(redPixels(frame, 640, 480, 10, 640, 58), 100) << "no elapsed time";
        // Nothing red between the two stamps' rows, nor in the corner the date does not take.
        EXPECT_EQ(redPixels(frame, 640, 0, 60, 640, 420), 0);
        const int otherTop = d.top() == 0 ? 420 : 0;
        EXPECT_EQ(redPixels(frame, 640, 320 - d.left(), otherTop, 640 - d.left(), otherTop + 60), 0)
            << "a date in the other corner";
    }
}

// A compressor the catalogue knows encodes the clip; "WMV" makes it Windows Media. A name it
// does not know is named on stderr and the clip is what it is without settings: raw, unstamped.
TEST_F(RecordingWindowTest, CompressorsNamedInTheSettingsEncodeTheClip) {
    struct Case {
        const char* settings;
        const char* format;
        const char* codec;
        std::vector<std::string> said;
    };
    const Case cases[] = {
        {"CompressorName=JPEG image encoder\n", "avi", "mjpeg", {}},
        {"CompressorName=WMV\n", "asf", "wmv2", {}},
        {"CompressorName=Nonesuch Codec\nAudioCompressorName=Nonesuch Sound\n",
         "avi",
         "rawvideo",
         {"[General] CompressorName: \"Nonesuch Codec\" is not a compressor of this system; "
          "clips are recorded without one",
          "[General] AudioCompressorName: \"Nonesuch Sound\" is not a compressor of this "
          "system; clips are recorded without one"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        testenv::writeFile(settingsFile(), std::string("[General]\nCounter=1\n") + c.settings);
        testing::internal::CaptureStderr();
        makeForm();
        const std::string said = testing::internal::GetCapturedStderr();
        for (const std::string& line : c.said) {
            EXPECT_NE(said.find(line + "\n"), std::string::npos) << said;
        }
        if (c.said.empty()) {
            EXPECT_EQ(said.find("[General]"), std::string::npos) << said;
        }
        const std::string clip = recordClip(1);
        form.reset();
        const ClipInfo info = probeClip(clip);
        EXPECT_TRUE(info.discovered);
        EXPECT_EQ(info.format, c.format);
        ASSERT_NE(info.stream("video"), nullptr);
        EXPECT_EQ(info.stream("video")->codec, c.codec);
        ASSERT_NE(info.stream("audio"), nullptr);
        if (!c.said.empty()) {
            EXPECT_EQ(info.stream("audio")->codec, "pcm_s16le");
            const std::string frame = clipFrameRgb(clip, 0.5);
            EXPECT_EQ(redPixels(frame, 640, 0, 0, 640, 480), 0) << "stamped without being asked";
        }
    }
}

// The moving camera takes pictures by itself, one per interval at most, none while recording;
// with MotionSnapshot=0 it takes none.
TEST_F(RecordingWindowTest, MotionTakesPicturesAnIntervalApartButNotWhileRecording) {
    platform::setSleepScale(0.1);  // a still is waited for in 10 ms polls
    testenv::writeFile(settingsFile(), "[General]\nCounter=1\nMotionSnapshot=2\n");
    makeForm();
    EXPECT_EQ(form->motionSnapshotSeconds(), 2);
    ASSERT_TRUE(QTest::qWaitFor([] { return pictureTimes().size() >= 3; }, 15000))
        << pictureTimes().size() << " pictures";
    const std::vector<std::chrono::nanoseconds> times = pictureTimes();
    for (size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], std::chrono::milliseconds(1900)) << i;
        EXPECT_LE(times[i] - times[i - 1], std::chrono::milliseconds(4500)) << i;
    }
    EXPECT_TRUE(testenv::fileExists(testenv::picturesDir() + "/Picture0001.jpg"));
    EXPECT_EQ(form->gallery().count(), static_cast<int>(times.size()));

    form->ToggleRecording();
    ASSERT_TRUE(form->recording());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return form->windowTitle().endsWith(" - 00:00:04"); }, 10000));
    EXPECT_EQ(pictureTimes().size(), times.size()) << "a picture while recording";
    form.reset();

    testenv::clearDir(testenv::picturesDir());
    testenv::writeFile(settingsFile(), "[General]\nCounter=1\nMotionSnapshot=0\n");
    makeForm();
    EXPECT_FALSE(QTest::qWaitFor([] { return !pictureTimes().empty(); }, 4000));
    EXPECT_FALSE(form->DirectShow1()->MotionEnabled_get());
}
