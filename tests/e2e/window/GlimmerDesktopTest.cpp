// Glimmer as a person meets it: beside Peekbox, previewing, taking snapshots into its strip,
// replacing a picture without its EXIF, and its brand logo opening the brand's page.
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "DesktopSession.h"
#include "support/TestEnvironment.h"

namespace {

const char* kBrandDevices = "TARNWICK_VIRTUAL_DEVICES=camera:name=Brand Camera,vid=3a7b,pid=0d01";
const char* kTitle = "Norvale Glimmer webcam";
const QPoint kSnapshotButton(20, 505);  // button 1: 40 x 30 at (5, 492)
const QPoint kBrandLogo(590, 505);      // 75 x 20 at (555, 495)

class GlimmerDesktopTest : public testing::Test {
  protected:
    void SetUp() override {
        testenv::writeFile(testenv::configHome() + "/Tarnwick/Glimmer.conf",
                           "[General]\nCounter=1\n");
        testenv::clearDir(testenv::picturesDir());
        ASSERT_TRUE(session.ready()) << "the desktop (Xvfb and its window manager) did not start";
    }
    std::string picture(int n) const {
        char name[32];
        std::snprintf(name, sizeof name, "/Picture%04d.jpg", n);
        return testenv::picturesDir() + name;
    }
    std::string startGlimmer(const std::vector<std::string>& extraEnv = {}) {
        std::vector<std::string> env{kBrandDevices};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        return session.startAndWait("glimmer", env, kTitle);
    }
    DesktopSession session;
};

}  // namespace

TEST_F(GlimmerDesktopTest, RunsBesidePeekboxAndTakesSnapshotsIntoItsStrip) {
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf", "[General]\nCounter=1\n");
    DesktopSession other;
    ASSERT_TRUE(other.ready());
    ASSERT_TRUE(other.start(
        "peekbox", {"TARNWICK_VIRTUAL_DEVICES=camera:name=Desk Camera,vid=3a7b,pid=0b01"}));
    ASSERT_FALSE(other.waitForWindow("Peekbox", 30).empty()) << "Peekbox did not start";

    const std::string window = startGlimmer();
    ASSERT_FALSE(window.empty()) << "Glimmer did not start beside Peekbox";
    const QPoint origin = session.windowOrigin(window);
    const QImage first = session.screenshot("glimmer-01-preview-a");
    EXPECT_TRUE(session.waitForChange(first, QRect(origin + QPoint(20, 20), QSize(600, 440)), 20))
        << "the preview does not move";
    const QImage second = session.screenshot("glimmer-02-preview-b");

    // Two 80 x 60 thumbnails at a pitch of 90 in the strip under the buttons; each snapshot is
    // done when its thumbnail is drawn.
    const QRect slot1(origin + QPoint(10, 535), QSize(80, 55));
    const QRect slot2(origin + QPoint(100, 535), QSize(80, 55));
    session.click(window, kSnapshotButton);
    ASSERT_TRUE(waitUntil([&] { return testenv::fileExists(picture(1)); }));
    ASSERT_TRUE(session.waitForChange(second, slot1)) << "the first thumbnail did not appear";
    session.click(window, kSnapshotButton);
    ASSERT_TRUE(waitUntil([&] { return testenv::fileExists(picture(2)); }));
    EXPECT_TRUE(session.waitForChange(second, slot2)) << "the second thumbnail did not appear";
    session.screenshot("glimmer-03-two-snapshots");
    EXPECT_TRUE(session.windowShot(window, "glimmer-window"));

    const std::string tags =
        session.run("exiftool -s3 -Artist -DateTimeOriginal -ImageWidth '" + picture(1) + "'");
    EXPECT_EQ(tags.substr(0, tags.find('\n')), "Norvale Glimmer");
    EXPECT_NE(tags.find("640"), std::string::npos) << tags;

    EXPECT_EQ(session.terminate(), 0);
    EXPECT_EQ(other.terminate(), 0);
    EXPECT_NE(testenv::readFile(testenv::configHome() + "/Tarnwick/Glimmer.conf").find("Counter=3"),
              std::string::npos);
}

TEST_F(GlimmerDesktopTest,
       DesignPlaceAndASizePopupAtItsFixedPlaceWhereAReleaseOutsideChoosesNothing) {
    const std::string window = startGlimmer();
    ASSERT_FALSE(window.empty());
    const QRect frame = session.frameRect(window);
    ASSERT_LT(frame.top(), session.windowOrigin(window).y())
        << "the window has no frame: no window manager";
    // The window stands where its design puts it, frame included.
    EXPECT_EQ(frame.topLeft(), QPoint(416, 155));
    session.click(window, QPoint(120, 505));  // button 3
    const QRect popup = session.waitForPopup();
    session.screenshot("glimmer-10-popup");
    // 100 right of the window's outer left edge, 546 below its outer top edge.
    EXPECT_EQ(popup, QRect(frame.topLeft() + QPoint(100, 546), QSize(71, 39)));
    // Pressed on 640x480, released below the popup: no size is asked of the camera.
    session.drag(popup.topLeft() + QPoint(30, 28), popup.bottomLeft() + QPoint(30, 20));
    EXPECT_TRUE(waitUntil([&] { return session.popups().empty(); })) << "the popup stayed open";
    EXPECT_TRUE(session.waitForPreview(window)) << "the preview stopped";
    EXPECT_EQ(session.terminate(), 0);
    const std::string settings =
        testenv::readFile(testenv::configHome() + "/Tarnwick/Glimmer.conf");
    EXPECT_NE(settings.find("ImageWidth=640"), std::string::npos) << settings;
    EXPECT_NE(settings.find("ImageHeight=480"), std::string::npos) << settings;
}

TEST_F(GlimmerDesktopTest, ReplacedPictureCarriesNoExifAndTheLogoOpensTheBrandPage) {
    // A picture already holds the next number: the snapshot asks before replacing it.
    const std::string bin = testenv::tempDir() + "/bin";
    const std::string opened = testenv::tempDir() + "/opened.txt";
    ::mkdir(bin.c_str(), 0700);
    testenv::writeFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened + "'\n");
    ::chmod((bin + "/xdg-open").c_str(), 0700);
    const char* path = std::getenv("PATH");
    const std::string window =
        startGlimmer({"PATH=" + bin + ":" + (path != nullptr ? path : "/usr/bin:/bin")});
    ASSERT_FALSE(window.empty());
    session.click(window, kSnapshotButton);
    ASSERT_TRUE(waitUntil([&] { return testenv::fileExists(picture(1)); }));
    EXPECT_EQ(session.terminate(), 0);
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Glimmer.conf", "[General]\nCounter=1\n");

    const std::string again =
        startGlimmer({"PATH=" + bin + ":" + (path != nullptr ? path : "/usr/bin:/bin")});
    ASSERT_FALSE(again.empty());
    session.click(again, kSnapshotButton);
    // The question box (captioned like the window) comes up and takes the activation.
    ASSERT_TRUE(waitUntil([&] {
        const std::string active = session.activeWindow();
        return !active.empty() && active != again;
    })) << "no question";
    session.screenshot("glimmer-04-replace-question");
    session.run("xdotool key --clearmodifiers alt+y");
    ASSERT_TRUE(
        waitUntil([&] { return session.run("exiftool -s3 -Artist '" + picture(1) + "'").empty(); },
                  10000, 100))
        << "the replaced picture still carries its Artist";
    EXPECT_EQ(session.run("exiftool -s3 -DateTimeOriginal '" + picture(1) + "'"), "");
    EXPECT_NE(session.run("exiftool -s3 -ImageWidth '" + picture(1) + "'").find("640"),
              std::string::npos);
    EXPECT_FALSE(testenv::fileExists(picture(2)));

    session.click(again, kBrandLogo);
    // The shell creates the file before it writes the line: wait for the whole line.
    ASSERT_TRUE(waitUntil(
        [&] {
            const std::string line = testenv::readFile(opened);
            return !line.empty() && line.back() == '\n';
        },
        5000))
        << "the logo opened nothing";
    EXPECT_EQ(testenv::readFile(opened), "https://www.norvale.example/glimmer\n");
    session.screenshot("glimmer-05-after-logo");
    EXPECT_EQ(session.terminate(), 0);
}

TEST_F(GlimmerDesktopTest, PulledCameraStopsThePreviewAndButtonOneBringsItBackForSnapshots) {
    const std::string window = startGlimmer();
    ASSERT_FALSE(window.empty());
    const QPoint origin = session.windowOrigin(window);
    auto send = [](const std::string& line) {
        return sendOutsideMessage(testenv::runtimeDir() + "/Norvale_Glimmer.sock", line);
    };
    const QRect preview(origin + QPoint(20, 20), QSize(600, 440));
    // The window has stopped the preview once its buttons are drawn disabled.
    const QRect buttons(origin + QPoint(5, 492), QSize(250, 30));
    const QImage running = session.screenshot("glimmer-05b-running");
    EXPECT_EQ(send("unplug 0"), "ok");
    ASSERT_TRUE(session.waitForChange(running, buttons, 10)) << "the buttons were not disabled";
    const QImage a = session.screenshot("glimmer-06-unplugged");
    EXPECT_FALSE(session.waitForChange(a, preview, 0, 1))
        << "the preview still runs after the camera was pulled";
    session.screenshot("glimmer-07-unplugged-later");

    EXPECT_EQ(send("replug 0"), "ok");
    session.click(window, kSnapshotButton);  // restarts the preview, which then moves
    ASSERT_TRUE(session.waitForChange(a, preview, 20)) << "the preview did not restart";
    const QImage b = session.screenshot("glimmer-08-replugged");
    EXPECT_TRUE(session.waitForChange(b, preview, 20)) << "the restarted preview does not move";
    session.screenshot("glimmer-09-replugged-later");
    session.click(window, kSnapshotButton);  // and the preview filter gives stills again
    EXPECT_TRUE(waitUntil([&] { return testenv::fileExists(picture(1)); }));
    EXPECT_EQ(session.terminate(), 0);
}
