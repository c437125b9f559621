// The branded window: its fixed design, the brand logo, the two-size popup, no recording.
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <qtestsupport_core.h>

#include "app/ImageView.h"
#include "app/Main.h"
#include "app/Popups.h"
#include "app/gallery/JpegWriter.h"
#include "app/gallery/SnapshotNaming.h"
#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "support/TestEnvironment.h"

namespace {

class YesBoxes final : public platform::MessageBoxes {
  public:
    platform::MsgAnswer show(QWidget*, const std::string& text, const std::string&,
                             platform::MsgButtons b) override {
        shown.push_back(text);
        return b == platform::MsgButtons::YesNo ? platform::MsgAnswer::Yes
                                                : platform::MsgAnswer::Ok;
    }
    std::vector<std::string> shown;
};

class Shell final : public platform::ShellOpener {
  public:
    bool open(const std::string& target, const std::string& dir) override {
        opened.push_back(target);
        workingDirs.push_back(dir);
        return true;
    }
    std::vector<std::string> opened;
    std::vector<std::string> workingDirs;
};

class GlimmerWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::setSleepScale(0.0);
        testenv::clearDir(testenv::picturesDir());
        testenv::writeFile(testenv::configHome() + "/Tarnwick/Glimmer.conf",
                           "[General]\nCounter=1\n\n[GRM]\n_MSG_URL=https://example.invalid/de\n");
        ::setenv("TARNWICK_VIRTUAL_DEVICES", "camera:name=Brand Camera,vid=3a7b,pid=0d02", 1);
    }
    void TearDown() override { ::unsetenv("TARNWICK_VIRTUAL_DEVICES"); }

    std::unique_ptr<TMainForm> makeForm(platform::LangId language,
                                        std::vector<std::string> args = {}) {
        app::AppServices s;
        s.messageBoxes = &boxes;
        s.shell = &shell;
        s.uiLanguage = [language] { return language; };
        s.freeSpace = [](const std::string&) { return std::optional<uint64_t>(0); };  // never asked
        s.arguments = std::move(args);
        return std::make_unique<TMainForm>(editions::edition(), s,
                                           app::defaultCapture(editions::edition(), s));
    }

    // Pictures 1, 2, ... in clearly different colours, one colour each.
    static void writePictures(const std::vector<QColor>& colours) {
        for (size_t i = 0; i < colours.size(); ++i) {
            QImage img(64, 48, QImage::Format_RGB888);
            img.fill(colours[i]);
            ASSERT_TRUE(gallery::SaveJpeg(
                img, gallery::picturePath(testenv::picturesDir(), static_cast<int32_t>(i + 1))));
        }
    }

    // The middle of the thumbnail in `slot` (7 slots, pitch 90, 80 x 60 at x = 90s + 10, y = 8).
    static QPoint slotPoint(int slot) { return QPoint(90 * slot + 50, 38); }
    static QColor drawnThumbnail(const TMainForm& form, int slot) {
        return form.ImageShow()->image().pixelColor(slotPoint(slot));
    }
    static bool near(const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
               std::abs(a.blue() - b.blue()) < 40;
    }

    YesBoxes boxes;
    Shell shell;
};

const std::vector<QColor> kColours{Qt::red, Qt::green, Qt::blue, Qt::yellow};

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

// A click on the logo is a press and a release on it: pressed there and released beside it (the
// release reaches the logo, which holds the mouse since the press) opens nothing.
TEST_F(GlimmerWindowTest, BrandLogoOpensTheLocalisedAddressOnAClick) {
    auto english = makeForm(0x0409);
    english->show();
    QWidget* logo = english->childAt(QPoint(590, 505));
    ASSERT_NE(logo, nullptr);
    ASSERT_EQ(logo->geometry(), QRect(555, 495, 75, 20));
    auto mouse = [logo](QEvent::Type type, QPoint at) {
        QMouseEvent event(type, at, logo->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(logo, &event);
    };
    mouse(QEvent::MouseButtonPress, QPoint(30, 10));
    mouse(QEvent::MouseButtonRelease, QPoint(30, 40));
    mouse(QEvent::MouseButtonPress, QPoint(30, 10));
    mouse(QEvent::MouseButtonRelease, QPoint(-5, 10));
    EXPECT_TRUE(shell.opened.empty());
    mouse(QEvent::MouseButtonPress, QPoint(30, 10));
    mouse(QEvent::MouseButtonRelease, QPoint(74, 19));
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

// What a person deletes or opens is what the strip shows: every thumbnail stays with its file.
TEST_F(GlimmerWindowTest, DeletingAMiddlePictureKeepsEachThumbnailWithItsFile) {
    writePictures(kColours);
    auto form = makeForm(0x0409);
    form->RescanGallery();
    ASSERT_EQ(form->gallery().count(), 4);
    for (int s = 0; s < 4; ++s) {
        ASSERT_TRUE(near(drawnThumbnail(*form, s), kColours[static_cast<size_t>(s)])) << s;
    }
    form->ImageShowMouseUp(Qt::LeftButton, Qt::NoModifier, slotPoint(1));
    form->FormKeyDown(Qt::Key_Delete, Qt::NoModifier);
    ASSERT_FALSE(testenv::fileExists(gallery::picturePath(testenv::picturesDir(), 2)));
    // Judged before any event runs, so no rescan can have repaired the strip.
    ASSERT_EQ(form->gallery().count(), 3);
    const std::vector<QColor> left{Qt::red, Qt::blue, Qt::yellow};
    for (int s = 0; s < 3; ++s) {
        EXPECT_TRUE(near(drawnThumbnail(*form, s), left[static_cast<size_t>(s)]))
            << "slot " << s << " shows " << drawnThumbnail(*form, s).name().toStdString();
    }
}

TEST_F(GlimmerWindowTest, ClickOpensInThePictureFolderAndRescanKeepsTheDeleteButton) {
    writePictures(kColours);
    auto form = makeForm(0x0409);
    form->RescanGallery();
    form->ImageShowMouseUp(Qt::LeftButton, Qt::NoModifier, slotPoint(2));
    form->ImageShowMouseUp(Qt::LeftButton, Qt::NoModifier, slotPoint(2));  // the second click opens
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], gallery::picturePath(testenv::picturesDir(), 3));
    EXPECT_EQ(shell.workingDirs[0], testenv::picturesDir());

    form->ImageShowMouseUp(Qt::LeftButton, Qt::ControlModifier, slotPoint(0));
    ASSERT_EQ(form->buttonState(2), TMainForm::kNormal);
    form->RescanGallery();
    EXPECT_EQ(form->gallery().selectedCount(), 2);
    EXPECT_EQ(form->buttonState(2), TMainForm::kNormal);
    form->FormKeyDown(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(testenv::fileExists(gallery::picturePath(testenv::picturesDir(), 1)));
    EXPECT_FALSE(testenv::fileExists(gallery::picturePath(testenv::picturesDir(), 3)));
    EXPECT_EQ(form->gallery().count(), 2);
}

// The rescan lets events run between pictures. A Delete key that arrives meanwhile is ignored at
// once, as a snapshot would be, instead of freezing the window while it waits for the rescan.
TEST_F(GlimmerWindowTest, DeleteDuringARescanIsIgnoredWithoutWaiting) {
    writePictures(kColours);
    auto form = makeForm(0x0409);
    form->RescanGallery();
    form->ImageShowMouseUp(Qt::LeftButton, Qt::NoModifier, slotPoint(1));
    ASSERT_EQ(form->buttonState(2), TMainForm::kNormal);
    QCoreApplication::postEvent(form.get(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier));
    const uint64_t slept = platform::sleptMsTotal();
    form->RescanGallery();
    EXPECT_EQ(platform::sleptMsTotal() - slept, 0u) << "the window waited for its own rescan";
    QCoreApplication::processEvents();  // a key not yet handled would be handled here
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(testenv::fileExists(gallery::picturePath(testenv::picturesDir(), 2)));
    // Once the rescan is done, Delete asks and deletes.
    form->FormKeyDown(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(testenv::fileExists(gallery::picturePath(testenv::picturesDir(), 2)));
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

// Glimmer takes snapshots, so it takes motion pictures too, through its preview filter. Nobody is
// there to answer a question: a number whose file exists is passed over, never written over.
TEST_F(GlimmerWindowTest, MotionTakesNumberedPicturesThatJoinTheStrip) {
    platform::setSleepScale(0.1);  // a still is waited for in 10 ms polls
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Glimmer.conf",
                       "[General]\nCounter=1\nMotionSnapshot=1\n");
    const std::string theirs = testenv::picturesDir() + "/Picture0002.jpg";
    testenv::writeFile(theirs, "a file of the user's");
    auto form = makeForm(0x0409);
    ASSERT_TRUE(form->StartPreview(false));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->gallery().count() >= 2; }, 10000));
    EXPECT_TRUE(testenv::fileExists(testenv::picturesDir() + "/Picture0001.jpg"));
    EXPECT_TRUE(testenv::fileExists(testenv::picturesDir() + "/Picture0003.jpg"));
    EXPECT_TRUE(testenv::readFile(theirs) == "a file of the user's") << "written over";
    EXPECT_EQ(boxes.shown, std::vector<std::string>{});
}
