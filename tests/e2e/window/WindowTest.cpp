// Peekbox as a person meets it: the real binary in a real X server with a virtual camera.
#include <signal.h>

#include <cstdlib>
#include <functional>
#include <regex>
#include <utility>

#include <gtest/gtest.h>

#include "DesktopSession.h"
#include "support/TestEnvironment.h"

namespace {

const char* kDevices =
    "TARNWICK_VIRTUAL_DEVICES=camera:name=Desk Camera,vid=3a7b,pid=0b01;microphone:name=Desk "
    "Microphone";

// Kills the X server of `display` (":N"), found through the lock file it keeps.
class WindowTest : public testing::Test {
  protected:
    void SetUp() override {
        testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf",
                           "[General]\nCounter=1\n");
        // Each test starts with empty folders: the strip shows only what the test made.
        testenv::clearDir(testenv::picturesDir());
        testenv::clearDir(testenv::videosDir());
        ASSERT_TRUE(session.ready()) << "the desktop (Xvfb and its window manager) did not start";
    }
    // Pulls the camera through the message socket; true once the window shows its buttons
    // disabled (their labels turn grey), which is when it has stopped the preview.
    bool unplug(const std::string& window) {
        const QRect buttons(session.windowOrigin(window) + QPoint(5, 490), QSize(260, 30));
        const QImage before = session.grab();
        return sendOutsideMessage(testenv::runtimeDir() + "/Peekbox.sock", "unplug 0") == "ok" &&
               session.waitForChange(before, buttons, 10);
    }
    // Clicks the record button (at (51, 490) for a camera that may record); true once the
    // caption counts two seconds of writing.
    bool startRecording(const std::string& window) {
        session.click(window, QPoint(66, 500));
        const std::regex counting(".* - 00:00:0[2-9]");
        return std::regex_match(
            session.waitForCaption(
                window, [&](const std::string& c) { return std::regex_match(c, counting); }),
            counting);
    }
    // The clip's duration as ffprobe reads it from the file's index; 0 without one ("N/A").
    double clipDuration(const std::string& clip) {
        return std::atof(
            session.run("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + clip + "'")
                .c_str());
    }
    DesktopSession session;
};

}  // namespace

TEST_F(WindowTest, PreviewMovesAndTheProgramEndsThroughItsShutdown) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty()) << "no window";
    const QPoint origin = session.windowOrigin(window);
    const QImage first = session.screenshot("01-preview-a");
    ASSERT_FALSE(first.isNull());
    const QRect preview(origin + QPoint(10, 10), QSize(600, 440));
    EXPECT_TRUE(session.waitForChange(first, preview, 20)) << "the preview does not move";
    session.screenshot("02-preview-b");

    const QRect frame = session.frameRect(window);
    ASSERT_LT(frame.top(), origin.y()) << "the window has no frame: no window manager";
    EXPECT_EQ(session.terminate(), 0);
    const std::string settings =
        testenv::readFile(testenv::configHome() + "/Tarnwick/Peekbox.conf");
    EXPECT_NE(settings.find("ImageWidth=640"), std::string::npos);
    // "Top" and "Left" are where the window stood: its outer corner, frame included.
    EXPECT_NE(settings.find("\nTop=" + std::to_string(frame.top()) + "\n"), std::string::npos)
        << settings;
    EXPECT_NE(settings.find("\nLeft=" + std::to_string(frame.left()) + "\n"), std::string::npos)
        << settings;
}

TEST_F(WindowTest, ButtonOneWritesAPictureWithExifAndTheStripShowsIt) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    const QPoint origin = session.windowOrigin(window);
    const QImage before = session.screenshot("07-before-snapshot");
    session.click(window, QPoint(20, 500));
    const std::string picture = testenv::picturesDir() + "/Picture0001.jpg";
    ASSERT_TRUE(waitUntil([&] { return testenv::fileExists(picture); }));
    // The strip (below the buttons) now holds a thumbnail.
    EXPECT_TRUE(session.waitForChange(before, QRect(origin + QPoint(10, 530), QSize(100, 70))));
    session.screenshot("08-after-snapshot");
    EXPECT_TRUE(session.windowShot(window, "peekbox-window"));

    const std::string tags =
        session.run("exiftool -s3 -Artist -DateTimeOriginal -ImageWidth '" + picture + "'");
    EXPECT_EQ(tags.substr(0, tags.find('\n')), "Peekbox");
    EXPECT_NE(tags.find(":"), std::string::npos);
    EXPECT_NE(tags.find("640"), std::string::npos);

    // The display goes away under the program (its X server is killed): Qt ends the process
    // then, and the new counter and the thumbnail cache are saved on that way out as well.
    ASSERT_TRUE(session.killDisplay());
    session.waitExit(20);
    EXPECT_FALSE(session.running());
    EXPECT_NE(testenv::readFile(testenv::configHome() + "/Tarnwick/Peekbox.conf").find("Counter=2"),
              std::string::npos);
    EXPECT_TRUE(testenv::fileExists(testenv::tempDir() + "/Peekbox.icf"));
}

TEST_F(WindowTest, RecordButtonRecordsAPlayableClipWithSoundAndTheCaptionCounts) {
    // Captions are the program's texts, whole, as the window manager shows them: the title of the
    // user's language, and the elapsed time while recording.
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf",
                       "[General]\nCounter=1\n\n[GRM]\n_MSG_TITLE=Kamerafenster Test\n");
    const std::string title = "Kamerafenster Test";
    const std::string window =
        session.startAndWait("peekbox", {kDevices, "LANG=de_DE.UTF-8"}, title);
    ASSERT_FALSE(window.empty());
    // The record button sits at (51, 490) for a camera that may record.
    session.click(window, QPoint(66, 500));
    const std::regex counting(title + " - 00:00:0[2-9]");
    const std::string caption = session.waitForCaption(
        window, [&](const std::string& c) { return std::regex_match(c, counting); });
    EXPECT_TRUE(std::regex_match(caption, counting)) << caption;
    session.screenshot("09-recording");
    session.click(window, QPoint(66, 500));
    EXPECT_EQ(session.waitForCaption(window, [&](const std::string& c) { return c == title; }),
              title);
    const std::string clip = testenv::videosDir() + "/Movie0001.avi";
    EXPECT_TRUE(waitUntil([&] { return clipDuration(clip) > 1.5; }, 10000, 100))
        << clipDuration(clip);
    session.screenshot("10-after-recording");
    const std::string info = session.run("gst-discoverer-1.0 '" + clip + "'");
    EXPECT_NE(info.find("video"), std::string::npos) << info;
    EXPECT_NE(info.find("audio"), std::string::npos) << info;
    EXPECT_EQ(session.terminate(), 0);
}

// Ctrl+C pressed again, or `kill` sent twice, while a clip is recorded: once the shutdown has
// begun, further signals change nothing, so the clip is finished and the cache saved.
TEST_F(WindowTest, SignalsDuringTheShutdownWhileRecordingLoseNothing) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(startRecording(window));
    ASSERT_TRUE(session.signal(SIGINT));
    // More signals, one every few milliseconds, until the program has ended.
    int code = -1;
    EXPECT_TRUE(waitUntil(
        [&] {
            session.signal(SIGTERM);
            code = session.waitExit(0);
            return !session.running();
        },
        30000, 20));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(testenv::fileExists(testenv::tempDir() + "/Peekbox.icf"));
    EXPECT_GT(clipDuration(testenv::videosDir() + "/Movie0001.avi"), 1.0);
}

// The display goes away while a clip is recorded: the clip is finished before the program ends.
TEST_F(WindowTest, LosingTheDisplayWhileRecordingFinishesTheClip) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(startRecording(window));
    ASSERT_TRUE(session.killDisplay());
    session.waitExit(20);
    EXPECT_FALSE(session.running());
    EXPECT_GT(clipDuration(testenv::videosDir() + "/Movie0001.avi"), 1.0);
    EXPECT_TRUE(testenv::fileExists(testenv::tempDir() + "/Peekbox.icf"));
}

TEST_F(WindowTest, PullingTheCameraStopsThePreviewAndButtonOneBringsItBack) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());

    auto send = [](const std::string& line) {
        return sendOutsideMessage(testenv::runtimeDir() + "/Peekbox.sock", line);
    };
    const QPoint origin = session.windowOrigin(window);
    const QRect preview(origin + QPoint(10, 10), QSize(600, 440));
    ASSERT_TRUE(unplug(window)) << "the buttons were not disabled";
    const QImage unplugged = session.screenshot("03-unplugged");
    EXPECT_FALSE(session.waitForChange(unplugged, preview, 0, 1))
        << "the preview still runs after the camera was pulled";
    session.screenshot("04-unplugged-later");

    EXPECT_EQ(send("replug 0"), "ok");
    // Button 1 sits at (5, 490) in the normal layout; a click restarts the preview, which then
    // moves.
    session.click(window, QPoint(20, 500));
    ASSERT_TRUE(session.waitForChange(unplugged, preview, 20)) << "the preview did not restart";
    const QImage a = session.screenshot("05-replugged-a");
    EXPECT_TRUE(session.waitForChange(a, preview, 20)) << "the restarted preview does not move";
    session.screenshot("06-replugged-b");
    EXPECT_EQ(session.terminate(), 0);
}

TEST_F(WindowTest, ButtonOneWithTheCameraStillAwayEndsTheProgram) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(unplug(window)) << "the buttons were not disabled";
    session.click(window, QPoint(20, 500));
    EXPECT_EQ(session.waitExit(20), 0);
}

TEST_F(WindowTest, SizePopupOpensFromTheFrameAndOnlyAnItemChoosesASize) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    const QPoint origin = session.windowOrigin(window);
    const QRect frame = session.frameRect(window);
    ASSERT_LT(frame.top(), origin.y()) << "the window has no frame: no window manager";
    // A record-capable 4:3 camera: button 3 (86 wide) at (143, 490). The popup opens 3 pixels
    // right of the button's left and 60 below its top, counted from the window's outer edges,
    // with two 20-pixel items: 320x240, 640x480.
    const QRect button3(origin + QPoint(143, 490), QSize(86, 30));
    const QImage closed = session.screenshot("11-before-popup");
    session.click(window, QPoint(186, 505));
    QRect popup = session.waitForPopup();
    session.screenshot("12-popup-open");
    EXPECT_EQ(popup, QRect(frame.topLeft() + QPoint(146, 550), QSize(71, 39)));

    // Pressed on 640x480 and released 20 pixels below the popup: it closes and nothing is
    // chosen; the size button still says 640x480.
    session.drag(popup.topLeft() + QPoint(30, 28), popup.bottomLeft() + QPoint(30, 20));
    EXPECT_TRUE(waitUntil([&] { return session.popups().empty(); })) << "the popup stayed open";
    // The pointer crosses the window again, so the button is no longer drawn hovered.
    session.run("xdotool mousemove --window " + window + " 186 505 sleep 0.2 mousemove --window " +
                window + " 330 505");
    EXPECT_FALSE(session.waitForChange(closed, button3, 10, 2))
        << "a size was chosen outside the popup";
    session.screenshot("12b-released-outside");

    session.click(window, QPoint(186, 505));
    popup = session.waitForPopup();
    session.drag(popup.topLeft() + QPoint(30, 8), popup.topLeft() + QPoint(30, 8));
    EXPECT_TRUE(session.waitForChange(closed, button3))
        << "the size button does not show the new size";
    ASSERT_TRUE(session.waitForPreview(window));
    session.screenshot("13-after-choosing-320x240");
    session.click(window, QPoint(20, 500));  // a snapshot at the new size
    const std::string picture = testenv::picturesDir() + "/Picture0001.jpg";
    ASSERT_TRUE(waitUntil(
        [&] {
            return session.run("exiftool -s3 -ImageWidth -ImageHeight '" + picture + "'") ==
                   "320\n240\n";
        },
        10000, 100));
    EXPECT_EQ(session.terminate(), 0);
    const std::string settings =
        testenv::readFile(testenv::configHome() + "/Tarnwick/Peekbox.conf");
    EXPECT_NE(settings.find("ImageWidth=320"), std::string::npos) << settings;
    EXPECT_NE(settings.find("ImageHeight=240"), std::string::npos) << settings;
}

// The open size popup is a window of its own: a click on another control takes the activation
// from it, which closes it, and reaches the control as well.
TEST_F(WindowTest, AClickBesideTheOpenSizePopupClosesItAndReachesWhatWasClicked) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    const QPoint origin = session.windowOrigin(window);
    const QImage empty = session.screenshot("30-before-popup");
    session.click(window, QPoint(186, 505));
    ASSERT_FALSE(session.waitForPopup().isEmpty()) << "no popup";
    session.screenshot("31-popup-open");
    // The camera button takes its snapshot, which enters the strip.
    session.click(window, QPoint(20, 500));
    EXPECT_TRUE(waitUntil([&] { return session.popups().empty(); })) << "the popup stayed open";
    EXPECT_TRUE(waitUntil([&] {
        return testenv::fileExists(testenv::picturesDir() + "/Picture0001.jpg");
    })) << "the click did not reach the camera button";
    const QRect slot1(origin + QPoint(20, 550), QSize(70, 50));
    ASSERT_TRUE(session.waitForChange(empty, slot1)) << "no thumbnail";

    // A thumbnail clicked beside the popup is selected: the bin button (at 97, 490) is enabled.
    session.click(window, QPoint(186, 505));
    ASSERT_FALSE(session.waitForPopup().isEmpty()) << "no popup the second time";
    const QImage open = session.screenshot("32-popup-open-again");
    session.click(window, QPoint(50, 565));
    EXPECT_TRUE(waitUntil([&] { return session.popups().empty(); })) << "the popup stayed open";
    EXPECT_TRUE(session.waitForChange(open, QRect(origin + QPoint(97, 490), QSize(40, 30)), 10))
        << "the thumbnail was not selected";
    session.screenshot("33-thumbnail-selected");
    EXPECT_EQ(session.terminate(), 0);
}

TEST_F(WindowTest, FolderChangesCountOnlyInTheBackgroundAndRescanRequestsAlways) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(waitUntil([&] { return session.activeWindow() == window; }))
        << "the window manager did not activate the window";
    const QPoint origin = session.windowOrigin(window);
    const QRect slot1(origin + QPoint(20, 550), QSize(70, 50));
    const QRect slot2(origin + QPoint(110, 550), QSize(70, 50));
    const QImage empty = session.screenshot("27-active-empty-strip");
    // Active: a picture dropped in by another program does not change the strip ...
    session.run("convert -size 320x240 xc:'rgb(200,40,40)' '" + testenv::picturesDir() +
                "/Picture0042.jpg'");
    EXPECT_FALSE(session.waitForChange(empty, slot1, 50, 3))
        << "a folder change rescanned the active window";
    // ... until a rescan is asked for, which works while active.
    EXPECT_EQ(sendOutsideMessage(testenv::runtimeDir() + "/Peekbox.sock", "1026"), "ok");
    EXPECT_TRUE(session.waitForChange(empty, slot1)) << "the rescan request was ignored";

    // Another window takes the activation: now a dropped picture appears by itself.
    session.run("sh -c 'xmessage -geometry +900+50 other window >/dev/null 2>&1 &'");
    ASSERT_TRUE(waitUntil(
        [&] { return !session.activeWindow().empty() && session.activeWindow() != window; }));
    const QImage inactive = session.screenshot("28-inactive");
    session.run("convert -size 320x240 xc:'rgb(40,40,200)' '" + testenv::picturesDir() +
                "/Picture0043.jpg'");
    EXPECT_TRUE(session.waitForChange(inactive, slot2))
        << "a folder change in the background did not rescan";
    session.screenshot("29-inactive-rescanned");
    EXPECT_EQ(session.terminate(), 0);
}

TEST_F(WindowTest, KeysTakeSnapshotsSelectAndDeleteAfterAsking) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    auto picture = [](int n) {
        return testenv::picturesDir() + "/Picture000" + std::to_string(n) + ".jpg";
    };
    // Enter with no focused thumbnail takes a snapshot, three times; each is done when its
    // thumbnail is in the strip (80 x 60 at a pitch of 90).
    const QPoint origin = session.windowOrigin(window);
    const QImage empty = session.screenshot("13b-empty-strip");
    for (int n = 1; n <= 3; ++n) {
        session.key(window, "Return");
        ASSERT_TRUE(waitUntil([&] { return testenv::fileExists(picture(n)); })) << "snapshot " << n;
        const QRect slot(origin + QPoint(20 + 90 * (n - 1), 550), QSize(70, 50));
        ASSERT_TRUE(session.waitForChange(empty, slot)) << "thumbnail " << n;
    }
    // Home focuses the first picture, Shift+Right extends the selection over the second; Delete
    // asks, and No keeps both.
    session.key(window, "Home shift+Right");
    session.screenshot("14-two-selected");
    // The question box is captioned with text 1, whole.
    const std::string question = "Norvale Glimmer webcam";
    session.key(window, "Delete");
    ASSERT_FALSE(session.waitForWindow(question, 10).empty()) << "no question";
    session.screenshot("15-delete-question");
    session.run("xdotool key --clearmodifiers Escape");
    EXPECT_TRUE(waitUntil([&] { return session.activeWindow() == window; }))
        << "the question stayed";
    EXPECT_TRUE(testenv::fileExists(picture(1)));
    EXPECT_TRUE(testenv::fileExists(picture(2)));
    // Asked again, Yes deletes the two selected pictures and leaves the third.
    session.key(window, "Delete");
    ASSERT_FALSE(session.waitForWindow(question, 10).empty()) << "no question";
    session.run("xdotool key --clearmodifiers alt+y");
    EXPECT_TRUE(waitUntil(
        [&] { return !testenv::fileExists(picture(1)) && !testenv::fileExists(picture(2)); }));
    EXPECT_TRUE(testenv::fileExists(picture(3)));
    session.screenshot("16-after-delete");
    // Ctrl+A selects what is left; Escape clears the selection, so Delete asks nothing.
    session.key(window, "ctrl+a Escape Delete");
    EXPECT_TRUE(session.waitForWindow(question, 2).empty()) << "Delete asked with nothing selected";
    EXPECT_TRUE(testenv::fileExists(picture(3)));
    EXPECT_EQ(session.terminate(), 0);
}

TEST_F(WindowTest, DoubleClickEnlargesAWide1280x800PreviewAndBringsItBack) {
    const std::string window = session.startAndWait(
        "peekbox", {"TARNWICK_VIRTUAL_DEVICES=camera:name=Wide Camera,vid=3a7b,pid=0c01"},
        "Peekbox");
    ASSERT_FALSE(window.empty());
    // Every start asks for 640x480: choose HD 720P, the wide popup's third item (y 40 to 57).
    session.click(window, QPoint(186, 505));
    const QRect popup = session.waitForPopup();
    ASSERT_EQ(popup.height(), 58) << "a wide camera is offered three sizes";
    session.drag(popup.topLeft() + QPoint(30, 48), popup.topLeft() + QPoint(30, 48));
    ASSERT_TRUE(waitUntil([&] { return session.popups().empty(); }));
    ASSERT_TRUE(session.waitForPreview(window));
    auto size = [&] { return session.frameRect(window).size(); };
    const QSize normal = size();
    session.screenshot("17-wide-normal");
    session.run("xdotool mousemove --window " + window +
                " 300 200 sleep 0.2 click --repeat 2 --delay 80 1");
    ASSERT_TRUE(waitUntil([&] { return size() != normal; }))
        << "the double click did not enlarge the view";
    // The window manager may still be placing the larger window: wait until it stays put.
    QRect placed;
    waitUntil(
        [&] {
            const QRect now = session.frameRect(window);
            return std::exchange(placed, now) == now;
        },
        5000, 200);
    ASSERT_TRUE(session.waitForPreview(window));
    const QSize enlarged = size();
    const QImage big = session.screenshot("18-wide-enlarged");
    EXPECT_GT(enlarged.width(), normal.width()) << "the double click did not enlarge the view";
    EXPECT_LE(enlarged.width(), 1280);
    // The video fills the enlarged panel: its far corner shows the picture, not the grey panel.
    const QPoint corner = session.frameRect(window).bottomRight() - QPoint(20, 20);
    EXPECT_NE(big.pixelColor(corner), QColor(99, 99, 99)) << "the video window kept its old size";
    session.run("xdotool mousemove --window " + window +
                " 300 200 sleep 0.2 click --repeat 2 --delay 80 1");
    EXPECT_TRUE(waitUntil([&] { return size() == normal; })) << "the view did not come back";
    session.screenshot("19-wide-back");
    EXPECT_EQ(session.terminate(), 0);
}

TEST_F(WindowTest, PicturesDroppedIntoTheFolderAppearAfterARescanMessage) {
    const std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    const QPoint origin = session.windowOrigin(window);
    const QImage before = session.screenshot("20-before-drop");
    // Another program puts a picture (and a file that is not one) into the picture folder.
    session.run("convert -size 320x240 xc:'rgb(200,40,40)' '" + testenv::picturesDir() +
                "/Picture0042.jpg'");
    testenv::writeFile(testenv::picturesDir() + "/notes.txt", "not a picture");
    EXPECT_EQ(sendOutsideMessage(testenv::runtimeDir() + "/Peekbox.sock", "1026"), "ok");
    const QRect slot1(origin + QPoint(10, 545), QSize(100, 60));
    EXPECT_TRUE(session.waitForChange(before, slot1)) << "the strip did not change";
    const QImage after = session.screenshot("21-after-drop");
    // The first slot of the strip shows the red picture.
    const QColor inThumb = after.pixelColor(origin + QPoint(45, 580));
    EXPECT_GT(inThumb.red(), 150) << "the strip does not show the dropped picture";
    EXPECT_LT(inThumb.green(), 90);
    EXPECT_GT(differingPixels(before, after, slot1), 50);
    EXPECT_EQ(session.terminate(), 0);
}

TEST_F(WindowTest, RestartKeepsTheNumberingTheStripAndItsCache) {
    std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    const QImage empty = session.screenshot("21b-empty-strip");
    session.key(window, "Return");
    const std::string first = testenv::picturesDir() + "/Picture0001.jpg";
    ASSERT_TRUE(waitUntil([&] { return testenv::fileExists(first); }));
    // Done once its thumbnail is in the strip.
    const QRect slot1(session.windowOrigin(window) + QPoint(20, 550), QSize(70, 50));
    EXPECT_TRUE(session.waitForChange(empty, slot1)) << "no thumbnail";
    EXPECT_EQ(session.terminate(), 0);
    EXPECT_TRUE(testenv::fileExists(testenv::tempDir() + "/Peekbox.icf"))
        << "no thumbnail cache after quitting";

    window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    const QPoint origin = session.windowOrigin(window);
    const QImage restarted = session.screenshot("22-restarted");
    // The picture of the first run is in the strip again; the next one gets the next number.
    const QColor slot = restarted.pixelColor(origin + QPoint(45, 560));
    const QColor strip = restarted.pixelColor(origin + QPoint(400, 560));
    EXPECT_NE(slot, strip) << "the strip is empty after a restart";
    session.key(window, "Return");
    const std::string second = testenv::picturesDir() + "/Picture0002.jpg";
    EXPECT_TRUE(waitUntil([&] { return testenv::fileExists(second); }));
    EXPECT_EQ(session.terminate(), 0);
}

TEST_F(WindowTest, CameraSettingsChangeThePictureLiveAndTheNextStartKeepsThem) {
    std::string window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    auto picture = [](int n) {
        return testenv::picturesDir() + "/Picture000" + std::to_string(n) + ".jpg";
    };
    // Mean luma (0 to 1) of a snapshot, as an independent tool reads the JPEG.
    auto snapshotLuma = [&](int n) {
        session.key(window, "Return");
        if (!waitUntil([&] { return testenv::fileExists(picture(n)); })) {
            return -1.0;
        }
        double luma = -1.0;
        waitUntil([&] {  // the file may still be being written
            const std::string out = session.run("convert '" + picture(n) +
                                                "' -colorspace Gray -format '%[fx:mean]' info:");
            luma = out.empty() ? -1.0 : std::atof(out.c_str());
            return luma >= 0.0;
        });
        return luma;
    };
    const double defaults = snapshotLuma(1);
    ASSERT_GE(defaults, 0.0) << "no first snapshot";

    const QPoint origin = session.windowOrigin(window);
    const QImage before = session.screenshot("23-before-settings");
    session.click(window, QPoint(254, 505));  // button 4 at (234, 490)
    // The dialog stands at (30, 30) of the screen.
    ASSERT_TRUE(session.waitForChange(before, QRect(40, 40, 120, 60), 100)) << "no settings dialog";
    session.screenshot("24-settings-open");
    auto meanLuma = [&](const QImage& img) {
        long sum = 0;
        int n = 0;
        for (int y = origin.y() + 250; y < origin.y() + 450; y += 8) {
            for (int x = origin.x() + 200; x < origin.x() + 600; x += 8) {
                sum += qGray(img.pixel(x, y));
                ++n;
            }
        }
        return sum / std::max(n, 1);
    };
    // Brightness is the third row (hue, saturation, brightness, contrast): grab its handle at the
    // middle of the groove, then End turns it up all the way.
    session.run("xdotool mousemove 221 90 sleep 0.2 click 1 sleep 0.2 key --delay 80 End");
    const long dark = meanLuma(before);
    EXPECT_TRUE(waitUntil([&] { return meanLuma(session.grab()) > dark + 40; }))
        << "the picture did not brighten";
    session.screenshot("25-brightness-up");
    session.run("xdotool key --delay 80 Escape");
    EXPECT_TRUE(waitUntil([&] {
        return differingPixels(before, session.grab(), QRect(40, 40, 120, 60)) < 20;
    })) << "the dialog stayed open";
    const double set = snapshotLuma(2);
    EXPECT_GT(set, defaults + 0.15) << "the snapshot did not brighten";
    EXPECT_EQ(session.terminate(), 0);
    const std::string settings =
        testenv::readFile(testenv::configHome() + "/Tarnwick/Peekbox.conf");
    EXPECT_NE(settings.find("3a7b-0b01%20Desk%20Camera\\BRIGHTNESS="), std::string::npos)
        << settings;

    // The next start: the first picture is as bright as the last one before quitting.
    window = session.startAndWait("peekbox", {kDevices}, "Peekbox");
    ASSERT_FALSE(window.empty());
    session.screenshot("26b-restarted");
    const double again = snapshotLuma(3);
    EXPECT_NEAR(again, set, 0.05);
    EXPECT_GT(again, defaults + 0.15);
    EXPECT_EQ(session.terminate(), 0);
}
