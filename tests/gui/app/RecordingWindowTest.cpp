// Recording from the window on a virtual camera and microphone: numbering, the clip in the
// strip, the caption, the overwrite question and the limit messages.
#include <cstdio>

#include <gtest/gtest.h>

#include <QApplication>
#include <qtestsupport_core.h>

#include "app/Main.h"
#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
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
