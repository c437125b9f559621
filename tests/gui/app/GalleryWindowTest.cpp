// The strip in the real window: rescan on start, keys, outside messages and folder changes.
#include <unistd.h>

#include <set>

#include <gtest/gtest.h>

#include <QApplication>
#include <qtestsupport_core.h>
#include <QLocalSocket>
#include <QScrollBar>
#include <QTimer>

#include "app/ImageView.h"
#include "app/Main.h"
#include "capture/nDirectShow.h"
#include "app/gallery/JpegWriter.h"
#include "app/gallery/SnapshotNaming.h"
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

class RecordingShell final : public platform::ShellOpener {
  public:
    bool open(const std::string& target, const std::string& dir) override {
        opened.push_back(target + "|" + dir);
        return true;
    }
    std::vector<std::string> opened;
};

class GalleryWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::setSleepScale(0.0);
        testenv::clearDir(testenv::picturesDir());
        testenv::clearDir(testenv::videosDir());
        testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf",
                           "[General]\nCounter=1\n");
    }

    std::unique_ptr<TMainForm> makeForm() {
        app::AppServices s;
        s.messageBoxes = &boxes;
        s.shell = &shell;
        s.uiLanguage = [] { return platform::LangId{0x0409}; };
        s.freeSpace = platform::statvfsFreeBytes;
        return std::make_unique<TMainForm>(editions::edition(), s,
                                           app::defaultCapture(editions::edition(), s));
    }

    static void writePicture(int number) {
        QImage img(64, 48, QImage::Format_RGB888);
        img.fill(QColor(20 * number % 255, 100, 200));
        ASSERT_TRUE(gallery::SaveJpeg(img, gallery::picturePath(testenv::picturesDir(), number)));
    }

    YesBoxes boxes;
    RecordingShell shell;
};

}  // namespace

TEST_F(GalleryWindowTest, NinePicturesShowTheLastOnesWithTheStripAtItsEnd) {
    for (int n = 1; n <= 9; ++n) {
        writePicture(n);
    }
    auto form = makeForm();
    form->RescanGallery();
    EXPECT_EQ(form->gallery().count(), 9);
    // Seven slots on a normal screen show pictures 3 to 9; the test screen may be a small one.
    const int visible = form->layout().visibleThumbnails;
    EXPECT_EQ(form->scrollPosition(), 9 - visible);
    EXPECT_EQ(form->imageCache().count(), 9);
    EXPECT_EQ(form->buttonState(2), TMainForm::kDisabled);

    // The scroll bar ends where the last page is full: its slider stands at the end of the track,
    // and neither its arrow nor a page step scrolls on into empty slots.
    auto* bar = form->findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(bar->pageStep(), visible);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(form->scrollPosition(), 9 - visible);
    // The last slot shows picture 9.
    const app::WindowLayout& l = form->layout();
    const QColor last = form->ImageShow()->image().pixelColor(
        (visible - 1) * l.thumbnailPitch + l.selectionLeft + 5 + l.thumbnail.width() / 2, 38);
    EXPECT_NEAR(last.red(), 180, 40) << last.name().toStdString();
    EXPECT_NEAR(last.blue(), 200, 40) << last.name().toStdString();
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(form->scrollPosition(), std::max(0, 9 - 2 * visible));
}

TEST_F(GalleryWindowTest, StripSurvivesARestartFromItsCacheWithoutDecoding) {
    for (int n = 1; n <= 5; ++n) {
        writePicture(n);
    }
    {
        auto first = makeForm();
        first->RescanGallery();
        EXPECT_EQ(first->lastRescan().decoded, 5);
    }  // shutdown saves the cache file
    ASSERT_TRUE(testenv::fileExists(testenv::tempDir() + "/Peekbox.icf"));
    // A file gone while the program was not running: its record is not even loaded.
    ASSERT_EQ(::unlink(gallery::picturePath(testenv::picturesDir(), 5).c_str()), 0);
    auto second = makeForm();
    EXPECT_EQ(second->imageCache().count(), 4);
    second->RescanGallery();
    EXPECT_EQ(second->gallery().count(), 4);
    EXPECT_EQ(second->lastRescan().decoded, 0);
}

TEST_F(GalleryWindowTest, AnotherUsersCacheIsNeitherShownNorInTheWayOfOurs) {
    writePicture(1);
    writePicture(2);
    makeForm()->RescanGallery();  // shutdown saves the cache file
    const std::string shared = testenv::tempDir() + "/Peekbox.icf";
    ASSERT_EQ(::chown(shared.c_str(), 65534, 65534), 0);  // as if another user had left it
    const std::string before = testenv::readFile(shared);
    const std::string own = testenv::root() + "/cache/Peekbox.icf";
    {
        auto form = makeForm();
        EXPECT_EQ(form->imageCache().count(), 0) << "another user's thumbnails were loaded";
        EXPECT_EQ(form->cacheFilePath(), own);
        form->RescanGallery();
        EXPECT_EQ(form->lastRescan().decoded, 2);
    }
    EXPECT_EQ(testenv::readFile(shared), before);
    auto next = makeForm();
    EXPECT_EQ(next->imageCache().count(), 2) << "our own cache was not kept";
    ::unlink(shared.c_str());
    ::unlink(own.c_str());
}

TEST_F(GalleryWindowTest, StandbyClosesThroughTheNormalShutdown) {
    auto form = makeForm();
    form->show();
    form->setPictureCounter(42);
    form->Suspend();
    EXPECT_FALSE(form->isVisible());
    form.reset();
    EXPECT_NE(
        testenv::readFile(testenv::configHome() + "/Tarnwick/Peekbox.conf").find("Counter=42"),
        std::string::npos);
}

// The key rules are StripInputTest's; here the window acts on them: the shell, the files.
TEST_F(GalleryWindowTest, ArrowsAtTheEndsKeepTheSelectionForTheDeleteKey) {
    for (int n = 1; n <= 3; ++n) {
        writePicture(n);
    }
    auto form = makeForm();
    form->RescanGallery();
    form->FormKeyDown(Qt::Key_Right, Qt::NoModifier);
    form->FormKeyDown(Qt::Key_Right, Qt::NoModifier);
    form->FormKeyDown(Qt::Key_Right, Qt::ShiftModifier);
    form->FormKeyDown(Qt::Key_Right, Qt::NoModifier);  // on the last picture
    EXPECT_EQ(form->focusIndex(), 2);
    EXPECT_EQ(form->gallery().anchorIndex(), 1);
    EXPECT_EQ(form->buttonState(2), TMainForm::kNormal);
    form->FormKeyDown(Qt::Key_Return, Qt::NoModifier);
    EXPECT_EQ(shell.opened,
              std::vector<std::string>{gallery::picturePath(testenv::picturesDir(), 3) + "|" +
                                       testenv::picturesDir()});
    form->FormKeyDown(Qt::Key_Delete, Qt::NoModifier);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], "Are you sure you want delete this file?");
    EXPECT_EQ(form->gallery().count(), 1);
    EXPECT_TRUE(testenv::fileExists(gallery::picturePath(testenv::picturesDir(), 1)));
    EXPECT_FALSE(testenv::fileExists(gallery::picturePath(testenv::picturesDir(), 3)));
    EXPECT_EQ(form->buttonState(2), TMainForm::kDisabled);
}

TEST_F(GalleryWindowTest, PictureDroppedInWhileInactiveAppearsAndSocketAsksForRescan) {
    auto form = makeForm();
    form->RescanGallery();
    ASSERT_EQ(form->gallery().count(), 0);
    ASSERT_FALSE(form->isActiveWindow());
    writePicture(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->gallery().count() == 1; }));

    // Another program asks for a rescan through the socket.
    writePicture(6);
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(testenv::runtimeDir() + "/Peekbox.sock"));
    ASSERT_TRUE(socket.waitForConnected(2000));
    socket.write("1026\n");
    socket.flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->gallery().count() == 2; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return socket.canReadLine(); }));
    EXPECT_EQ(socket.readLine().trimmed().toStdString(), "ok");
}

TEST_F(GalleryWindowTest,
       AStormOfFolderMessagesRescansOncePerMessageWithTheWindowResponsiveBetween) {
    writePicture(1);
    auto form = makeForm();
    platform::setSleepScale(0.05);  // 10 ms per rescan wait
    const int before = form->rescans();
    constexpr int kMessages = 30;
    for (int i = 0; i < kMessages; ++i) {
        QCoreApplication::postEvent(form.get(),
                                    new QEvent(static_cast<QEvent::Type>(QEvent::User + 1026)));
    }
    // A zero timer runs whenever the event loop does: it must see every count on the way.
    std::set<int> seen;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { seen.insert(form->rescans() - before); });
    tick.start(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->rescans() - before == kMessages; }));
    tick.stop();
    platform::setSleepScale(0.0);
    for (int n = 0; n < kMessages; ++n) {
        EXPECT_EQ(seen.count(n), 1u)
            << "no event processed between rescan " << n << " and the next";
    }
    EXPECT_EQ(form->gallery().count(), 1);
    QApplication::processEvents();
    EXPECT_EQ(form->rescans() - before, kMessages);
}
