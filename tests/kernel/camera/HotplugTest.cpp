// The kernel's remove and add of the camera while the preview runs: unbinding its USB device
// from the driver, and pulling it (the device disconnects).
#include <cstdlib>

#include "KernelSession.h"
#include "support/TestEnvironment.h"

namespace {

class Hotplug : public KernelTest {
  protected:
    // The preview stands still: no frame counter moves for `seconds`.
    bool previewStill(const std::string& window, int seconds) {
        return !previewLive(window, seconds);
    }
};

}  // namespace

TEST_F(Hotplug, UnbindStopsThePreviewAndFinishesTheClipBindAndButtonOneBringItBack) {
    ASSERT_TRUE(guest::startUdevd()) << "systemd-udevd did not start";
    ASSERT_TRUE(camera.plug({})) << camera.log();
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    session.click(window, QPoint(66, 500));
    const std::string counting = session.waitForCaption(
        window, [](const std::string& c) { return c.find(" - 00:00:03") != std::string::npos; },
        60);
    ASSERT_NE(counting.find(" - 00:00:03"), std::string::npos) << counting;

    const QImage recording = session.grab();
    ASSERT_TRUE(camera.unbind()) << "the driver kept the camera";
    EXPECT_TRUE(buttonsChanged(window, recording, 10)) << "the buttons stay enabled";
    EXPECT_EQ(session.waitForCaption(window, [](const std::string& c) { return c == "Peekbox"; }),
              "Peekbox")
        << "the recording goes on";
    session.screenshot("hotplug-unbound");
    EXPECT_TRUE(previewStill(window, 3)) << "the preview still moves";

    const std::string clip = testenv::videosDir() + "/Movie0001.avi";
    std::vector<int> numbers;
    EXPECT_TRUE(waitUntil([&] { return (numbers = clipFrameNumbers(clip)).size() > 10; }, 30000,
                          500))
        << "the clip holds " << numbers.size() << " readable frames";
    EXPECT_TRUE(session.run("ffmpeg -v error -i '" + clip + "' -f null - 2>&1; echo $?") == "0\n")
        << "the clip does not play to its end";

    const std::string commits = camera.value("commits");
    ASSERT_TRUE(camera.bind()) << "the driver did not take the camera back";
    session.click(window, QPoint(20, 500));
    EXPECT_TRUE(previewLive(window)) << "the preview did not come back";
    EXPECT_NE(camera.value("commits"), commits);
    session.screenshot("hotplug-bound");
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
    guest::stopUdevd();
}

TEST_F(Hotplug, PullingTheCameraStopsThePreviewAtOnce) {
    ASSERT_TRUE(guest::startUdevd()) << "systemd-udevd did not start";
    ASSERT_TRUE(camera.plug({})) << camera.log();
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    const QImage running = session.grab();
    ASSERT_TRUE(camera.unplug());
    EXPECT_TRUE(buttonsChanged(window, running, 10))
        << "the buttons stay enabled after the camera was pulled";
    session.screenshot("hotplug-pulled");
    EXPECT_TRUE(previewStill(window, 3));
    ASSERT_TRUE(camera.plug({})) << camera.log();
    session.click(window, QPoint(20, 500));
    EXPECT_TRUE(previewLive(window)) << "the preview did not come back";
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
    guest::stopUdevd();
}
