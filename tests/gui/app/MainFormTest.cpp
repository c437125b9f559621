// The main window's life under the offscreen platform: settings, language, start, shutdown.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/Main.h"
#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "support/TestEnvironment.h"

namespace {

struct Box {
    std::string text;
    std::string caption;
};

class RecordingBoxes final : public platform::MessageBoxes {
  public:
    platform::MsgAnswer show(QWidget*, const std::string& text, const std::string& caption,
                             platform::MsgButtons) override {
        shown.push_back({text, caption});
        return platform::MsgAnswer::Ok;
    }
    std::vector<Box> shown;
};

class MainFormTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::setSleepScale(0.0);
        TMainForm::stopFlag().store(false);
        testenv::clearDir(testenv::configHome());
        testenv::clearDir(testenv::defaultProfile());
        testenv::writeFile(testenv::configHome() + "/user-dirs.dirs",
                           "XDG_PICTURES_DIR=\"" + testenv::picturesDir() +
                               "\"\nXDG_VIDEOS_DIR=\"" + testenv::videosDir() + "\"\n");
    }

    app::AppServices services(std::vector<std::string> args = {}) {
        app::AppServices s;
        s.messageBoxes = &boxes;
        s.uiLanguage = [this] { return language; };
        s.freeSpace = [](const std::string&) { return std::optional<uint64_t>(1ULL << 32); };
        s.arguments = std::move(args);
        return s;
    }

    std::unique_ptr<TDirectShow> capture() {
        return app::defaultCapture(editions::edition(), services());
    }

    static std::string userFile() { return testenv::configHome() + "/Tarnwick/Peekbox.conf"; }
    static void writeSettings(const std::string& content) {
        testenv::writeFile(userFile(), content);
    }

    RecordingBoxes boxes;
    platform::LangId language = 0x0409;
};

}  // namespace

TEST_F(MainFormTest, SettingsMissingEverywhereShowsTheErrorAndEndsConstruction) {
    TMainForm form(editions::edition(), services(), capture());
    EXPECT_FALSE(form.constructed());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Open setting error.");
    EXPECT_EQ(boxes.shown[0].caption, "Norvale Glimmer webcam");
    EXPECT_FALSE(form.isVisible());
}

// A text that Qt would decode into a serialised object, its "V" spelt as an octal escape of
// more digits than C allows: the program refuses the file as it is and never rewrites it.
TEST_F(MainFormTest, ATextQtWouldDecodeAsAnObjectRefusesTheFileAndLeavesItAlone) {
    const std::string hostile =
        "[General]\nCounter=3\n\n[GRM]\n"
        "_MSG_NOPREVIEW=@\\0000126ariant(\\0\\0\\0\\xa\\0\\0\\0\\x4\\0O\\0K)\n";
    writeSettings(hostile);
    language = 0x0407;
    {
        TMainForm form(editions::edition(), services(), capture());
        EXPECT_FALSE(form.constructed());
        EXPECT_NE(form.DirectShow1()->Caption(), "OK");
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Open setting error.");
    EXPECT_EQ(testenv::readFile(userFile()), hostile);
}

TEST_F(MainFormTest, StoredValuesAreReadAndPositionAndSizeAreOnlyWritten) {
    writeSettings(
        "[General]\nHWOverlayDisable=2\nCounter=17\nFrequency=3\nImageWidth=1234\nImageHeight="
        "99\nTop=5\n");
    {
        TMainForm form(editions::edition(), services(), capture());
        ASSERT_TRUE(form.constructed());
        EXPECT_TRUE(form.overlayDisable());
        EXPECT_EQ(form.pictureCounter(), 17);
        EXPECT_EQ(form.frequency(), 3u);
        EXPECT_EQ(form.imageWidth(), 640);
        EXPECT_EQ(form.imageHeight(), 480);
        EXPECT_EQ(form.focusIndex(), -1);
        for (int b = 1; b <= 5; ++b) {
            EXPECT_EQ(form.buttonState(b), TMainForm::kDisabled);
        }
        const platform::VideoInfoHeader f = form.DirectShow1()->CapturePinGet();
        EXPECT_EQ(f.bmiHeader.biWidth, 640);
        EXPECT_EQ(f.bmiHeader.biHeight, 480);
        form.setPictureCounter(18);
    }
    const std::string written = testenv::readFile(userFile());
    for (const char* line :
         {"Counter=18", "ImageWidth=640", "ImageHeight=480", "Frequency=3", "HWOverlayDisable=2"}) {
        EXPECT_NE(written.find(line), std::string::npos) << line << "\n" << written;
    }
    EXPECT_NE(written.find("Left="), std::string::npos);
    EXPECT_EQ(written.find("Top=5\n"), std::string::npos);
    EXPECT_TRUE(TMainForm::stopFlag().load());
}

TEST_F(MainFormTest, NoCameraEndsAfterOneRetryWithoutShowingTheWindow) {
    writeSettings("[General]\nCounter=1\n");
    TMainForm form(editions::edition(), services(), capture());
    ASSERT_TRUE(form.constructed());
    const uint64_t before = platform::sleptMsTotal();
    EXPECT_FALSE(form.FormCreate());
    EXPECT_EQ(platform::sleptMsTotal() - before, TMainForm::kRetryWaitMs);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(form.DirectShow1()->Caption(), "No Preview");
}

TEST_F(MainFormTest, CameraRefusingTheCaptureFormatCountsAsNoCamera) {
    writeSettings("[General]\nCounter=1\n");
    // The row of 3a7b/0b01 asks for YUY2.
    ::setenv("TARNWICK_VIRTUAL_DEVICES", "camera:name=C,vid=3a7b,pid=0b01,formats=MJPG", 1);
    {
        TMainForm form(editions::edition(), services(), capture());
        ASSERT_TRUE(form.constructed());
        EXPECT_FALSE(form.FormCreate());
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.DirectShow1()->Caption(), "Graph render fail");
        ASSERT_TRUE(form.DirectShow1()->Graph());
        EXPECT_NE(form.DirectShow1()->Graph()->currentState(), GST_STATE_PLAYING);
    }
    ::unsetenv("TARNWICK_VIRTUAL_DEVICES");
}

TEST_F(MainFormTest, LanguageWithoutSubkeyKeepsDesignCaption) {
    writeSettings("[General]\nCounter=1\n");
    language = 0x0407;
    TMainForm form(editions::edition(), services(), capture());
    EXPECT_EQ(form.windowTitle(), "Peekbox");
    EXPECT_EQ(form.texts().text(12), "Disk space is full.");
}

TEST_F(MainFormTest, GermanSubkeyWithOneTextSetsCaptionAndOnlyThatText) {
    writeSettings(
        "[General]\nCounter=1\n\n[GRM]\n_MSG_DISKFULL=Der Datentr\xc3\xa4ger ist voll.\n");
    language = 0x0407;
    TMainForm form(editions::edition(), services(), capture());
    EXPECT_EQ(form.windowTitle(), "Norvale Glimmer webcam");
    EXPECT_EQ(form.texts().text(12), "Der Datentr\xc3\xa4ger ist voll.");
    EXPECT_EQ(form.texts().text(11), "File size is limitted.");
    EXPECT_EQ(form.DirectShow1()->Caption(), "No Preview");
}

TEST_F(MainFormTest, LanguageIsReappliedOnlyWhenItChanges) {
    writeSettings(
        "[General]\nCounter=1\n\n[FRA]\n_MSG_PREVIEW=Aper\xc3\xa7u\n_MSG_NOPREVIEW=Pas "
        "d'aper\xc3\xa7u\n");
    language = 0x040C;
    TMainForm form(editions::edition(), services(), capture());
    EXPECT_EQ(form.DirectShow1()->Caption(), "Pas d'aper\xc3\xa7u");

    writeSettings("[General]\nCounter=1\n\n[FRA]\n_MSG_NOPREVIEW=Autre\n");
    form.ApplyLanguage();  // same language: nothing is read again
    EXPECT_EQ(form.DirectShow1()->Caption(), "Pas d'aper\xc3\xa7u");

    language = 0x0409;  // no ENG subkey: defaults, captions stay as they are
    form.ApplyLanguage();
    EXPECT_EQ(form.texts().text(7), "No Preview");
    EXPECT_EQ(form.DirectShow1()->Caption(), "Pas d'aper\xc3\xa7u");

    language = 0x080C;
    form.ApplyLanguage();
    EXPECT_EQ(form.DirectShow1()->Caption(), "Autre");
}

TEST_F(MainFormTest, MessageCheckShowsElevenBoxesForFirstArgumentOnly) {
    writeSettings("[General]\nCounter=1\n");
    {
        TMainForm form(editions::edition(), services({"/MSG"}), capture());
        ASSERT_EQ(boxes.shown.size(), 11u);
        EXPECT_EQ(boxes.shown.front().text, "The camera is busy.");
        EXPECT_EQ(boxes.shown.back().text, "Disk space is full.");
        for (const Box& b : boxes.shown) {
            EXPECT_EQ(b.caption, "Norvale Glimmer webcam");
        }
        EXPECT_EQ(boxes.shown[8].text, "%s already exists, do you want to replace it?");
    }
    boxes.shown.clear();
    TMainForm second(editions::edition(), services({"-x", "/msg"}), capture());
    EXPECT_TRUE(boxes.shown.empty());
}
