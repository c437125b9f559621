// The branded window: its fixed design, the brand logo, the two-size popup, no recording.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/Main.h"
#include "app/Popups.h"
#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "support/TestEnvironment.h"

namespace {

class OkBoxes final : public platform::MessageBoxes {
public:
    platform::MsgAnswer show(QWidget*, const std::string& text, const std::string&, platform::MsgButtons) override {
        shown.push_back(text);
        return platform::MsgAnswer::Ok;
    }
    std::vector<std::string> shown;
};

class Shell final : public platform::ShellOpener {
public:
    bool open(const std::string& target, const std::string&) override {
        opened.push_back(target);
        return true;
    }
    std::vector<std::string> opened;
};

class GlimmerWindowTest : public testing::Test {
protected:
    void SetUp() override {
        platform::setSleepScale(0.0);
        testenv::writeFile(testenv::configHome() + "/Tarnwick/Glimmer.conf",
                           "[General]\nCounter=1\n\n[GRM]\n_MSG_URL=https://example.invalid/de\n");
        ::setenv("TARNWICK_VIRTUAL_DEVICES", "camera:name=Brand Camera,vid=3a7b,pid=0d02", 1);
    }
    void TearDown() override { ::unsetenv("TARNWICK_VIRTUAL_DEVICES"); }

    std::unique_ptr<TMainForm> makeForm(platform::LangId language, std::vector<std::string> args = {}) {
        app::AppServices s;
        s.messageBoxes = &boxes;
        s.shell = &shell;
        s.uiLanguage = [language] { return language; };
        s.freeSpace = [](const std::string&) { return std::optional<uint64_t>(0); };  // never asked
        s.arguments = std::move(args);
        return std::make_unique<TMainForm>(editions::edition(), s);
    }

    OkBoxes boxes;
    Shell shell;
};

}  // namespace

TEST_F(GlimmerWindowTest, FixedDesignFourButtonsAndNoMessageCheck) {
    auto form = makeForm(0x0409, {"/msg"});
    ASSERT_TRUE(form->constructed());
    EXPECT_TRUE(boxes.shown.empty());  // "/msg" has no effect here
    EXPECT_EQ(form->size(), QSize(652, 619));
    EXPECT_EQ(form->windowTitle(), "Norvale Glimmer webcam");
    EXPECT_EQ(form->layout().buttonTop, 492);
    EXPECT_EQ(form->texts().count(), 10u);
    EXPECT_TRUE(form->cacheFilePath().empty());

    ASSERT_TRUE(form->StartPreview(false));
    EXPECT_TRUE(form->isVisible());  // the branded window shows itself
    EXPECT_EQ(form->buttonState(1), TMainForm::kNormal);
    EXPECT_EQ(form->buttonState(5), TMainForm::kDisabled);
    TPopup popup(*form);
    EXPECT_EQ(popup.height(), 39);
    // The capture format reaches the component at the end of construction.
    EXPECT_EQ(form->DirectShow1()->CapturePinGet().bmiHeader.biWidth, 640);
}

TEST_F(GlimmerWindowTest, BrandLogoOpensTheLocalisedAddress) {
    auto english = makeForm(0x0409);
    english->BrandLogoClick();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], "https://www.norvale.example/glimmer");
    english.reset();
    auto german = makeForm(0x0407);
    german->BrandLogoClick();
    EXPECT_EQ(shell.opened.back(), "https://example.invalid/de");
}

TEST_F(GlimmerWindowTest, PopupOffersTwoSizesAndChoosingTwoAsksForTheUnreachableSize) {
    auto form = makeForm(0x0409);
    ASSERT_TRUE(form->StartPreview(false));
    TPopup popup(*form);
    EXPECT_EQ(popup.picture().height(), 40);
    popup.ImageMouseUp(Qt::LeftButton, 10, 5);
    EXPECT_EQ(form->imageWidth(), 320);
    EXPECT_TRUE(form->ChooseResolution(1));
    EXPECT_EQ(form->imageWidth(), 640);
}

TEST_F(GlimmerWindowTest, APictureFolderThatCannotBeMadeRefusesTheSnapshotAndKeepsTheNumber) {
    const std::string file = testenv::root() + "/not-a-folder";
    testenv::writeFile(file, "x");
    const std::string userDirs = testenv::configHome() + "/user-dirs.dirs";
    const std::string savedDirs = testenv::readFile(userDirs);
    testenv::writeFile(userDirs, "XDG_PICTURES_DIR=\"" + file + "/Pictures\"\n");
    auto form = makeForm(0x0409);
    testenv::writeFile(userDirs, savedDirs);
    ASSERT_TRUE(form->StartPreview(false));

    form->TakeSnapshot();
    EXPECT_EQ(boxes.shown,
              std::vector<std::string>{"The folder " + file + "/Pictures cannot be used."});
    EXPECT_EQ(form->pictureCounter(), 1);
    EXPECT_EQ(form->gallery().count(), 0);
}
