// The driver's controls in the settings dialog, changes reaching the device, and the remembered
// values given to the device again after it was pulled and plugged in, and after a restart; the
// dialog of a camera pulled while it is open.
#include "KernelSession.h"
#include "support/TestEnvironment.h"

namespace {

class Controls : public KernelTest {
  protected:
    // Opens the settings dialog (button 4); it stands at (30, 30) of the screen.
    bool openSettings(const std::string& window) {
        const QImage before = session.grab();
        session.click(window, QPoint(254, 505));
        return session.waitForChange(before, QRect(40, 40, 120, 60), 100, 60);
    }
    std::string settingsFile() {
        return testenv::readFile(testenv::configHome() + "/Tarnwick/Peekbox.conf");
    }
};

}  // namespace

TEST_F(Controls, TheDriversControlsReachTheDeviceAndTheRememberedOnesComeBack) {
    // A desktop's udevd tells the program that the camera was pulled.
    ASSERT_TRUE(guest::startUdevd()) << "systemd-udevd did not start";
    ASSERT_TRUE(camera.plug({})) << camera.log();
    std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(openSettings(window)) << "no settings dialog";
    session.screenshot("controls-dialog");

    // The rows follow the driver: brightness (-64..64), contrast (0..95), power line frequency
    // (Disabled, 50 Hz, 60 Hz). The first slider has the focus; its ends are the driver's.
    session.run("xdotool key --delay 100 End");
    EXPECT_TRUE(camera.waitFor("brightness", "64")) << "brightness: " << camera.value("brightness");
    session.run("xdotool key --delay 100 Home");
    EXPECT_TRUE(camera.waitFor("brightness", "-64"))
        << "brightness: " << camera.value("brightness");
    session.run("xdotool key --delay 100 Tab End");
    EXPECT_TRUE(camera.waitFor("contrast", "95")) << "contrast: " << camera.value("contrast");
    // The menu's items are the driver's: the last is 60 Hz, the first Disabled.
    session.run("xdotool key --delay 100 Tab End");
    EXPECT_TRUE(camera.waitFor("power_line_frequency", "2"));
    session.run("xdotool key --delay 100 Home");
    EXPECT_TRUE(camera.waitFor("power_line_frequency", "0"));
    session.run("xdotool key --delay 100 shift+Tab shift+Tab Page_Up");
    ASSERT_TRUE(waitUntil([&] { return camera.value("brightness") != "-64"; }, 30000, 100));
    const std::string brightness = camera.value("brightness");
    session.screenshot("controls-changed");
    session.run("xdotool key --delay 100 Escape");

    // Pulled and plugged in again, the camera starts from its defaults; the preview restarted
    // with button 1 gives it the remembered values.
    const QImage running = session.grab();
    ASSERT_TRUE(camera.unplug());
    ASSERT_TRUE(buttonsChanged(window, running, 30)) << "the pulled camera's buttons stay enabled";
    ASSERT_TRUE(camera.plug({})) << camera.log();
    EXPECT_EQ(camera.value("brightness"), "0");
    session.click(window, QPoint(20, 500));
    ASSERT_TRUE(previewLive(window)) << "the preview did not come back";
    EXPECT_TRUE(camera.waitFor("brightness", brightness)) << camera.value("brightness");
    EXPECT_TRUE(camera.waitFor("contrast", "95"));
    EXPECT_TRUE(camera.waitFor("power_line_frequency", "0"));
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
    EXPECT_NE(settingsFile().find("Camera\\Brightness=" + brightness), std::string::npos)
        << settingsFile();

    // A fresh device for the next start: the values come from the settings file.
    ASSERT_TRUE(camera.unplug());
    ASSERT_TRUE(camera.plug({})) << camera.log();
    window = startProgram();
    ASSERT_FALSE(window.empty());
    EXPECT_TRUE(camera.waitFor("brightness", brightness)) << camera.value("brightness");
    EXPECT_TRUE(camera.waitFor("contrast", "95"));
    EXPECT_TRUE(camera.waitFor("power_line_frequency", "0"));
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
    guest::stopUdevd();
}

TEST_F(Controls, ACameraPulledWithTheDialogOpenGreysItsRowsAndComesBack) {
    ASSERT_TRUE(guest::startUdevd()) << "systemd-udevd did not start";
    ASSERT_TRUE(camera.plug({})) << camera.log();
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(openSettings(window)) << "no settings dialog";
    const QImage open = session.grab();
    ASSERT_TRUE(camera.unplug());
    // The sliders of a camera that is gone grey at once, before anyone touches them.
    EXPECT_TRUE(session.waitForChange(open, QRect(170, 40, 230, 40), 100, 30))
        << "the rows of the pulled camera stay enabled";
    session.screenshot("controls-pulled");
    session.run("xdotool key --delay 100 End Tab End Escape");
    ASSERT_TRUE(camera.plug({})) << camera.log();
    session.click(window, QPoint(20, 500));
    EXPECT_TRUE(previewLive(window)) << "the preview did not come back";
    EXPECT_EQ(camera.value("brightness"), "0") << "a change made while it was gone reached it";
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
    guest::stopUdevd();
}
