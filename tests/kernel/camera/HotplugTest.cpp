// The kernel's remove and add of the camera: its USB device unbound from the driver and bound
// again, pulled (the device disconnects) and plugged in again, and unbound while recording.
#include <cstdlib>

#include "KernelSession.h"
#include "support/TestEnvironment.h"

namespace {

class Hotplug : public KernelTest {
  protected:
    void SetUp() override {
        KernelTest::SetUp();
        ASSERT_TRUE(guest::startUdevd()) << "systemd-udevd did not start";
        ASSERT_TRUE(camera.plug({})) << camera.log();
    }
    void TearDown() override {
        KernelTest::TearDown();
        guest::stopUdevd();
    }
    // The preview stands still: no frame counter moves for `seconds`.
    bool previewStill(const std::string& window, int seconds) {
        return !previewLive(window, seconds);
    }
    // Button 1 restarts a stopped preview.
    void expectPreviewBack(const std::string& window, const std::string& commitsBefore) {
        session.click(window, QPoint(20, 500));
        EXPECT_TRUE(previewLive(window)) << "the preview did not come back";
        EXPECT_NE(camera.value("commits"), commitsBefore);
    }
};

}  // namespace

TEST_F(Hotplug, RemoveStopsThePreviewAndGreysTheButtonsAddAndButtonOneBringItBack) {
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());

    QImage running = session.grab();
    ASSERT_TRUE(camera.unbind()) << "the driver kept the camera";
    EXPECT_TRUE(buttonsChanged(window, running, 10)) << "the buttons stay enabled after unbind";
    EXPECT_TRUE(previewStill(window, 3)) << "the preview still moves";
    session.screenshot("hotplug-unbound");
    std::string commits = camera.value("commits");
    ASSERT_TRUE(camera.bind()) << "the driver did not take the camera back";
    expectPreviewBack(window, commits);
    session.screenshot("hotplug-bound");

    // Pulled: the device disconnects and the kernel removes it and the hub's port.
    running = session.grab();
    ASSERT_TRUE(camera.unplug());
    EXPECT_TRUE(buttonsChanged(window, running, 10))
        << "the buttons stay enabled after the camera was pulled";
    EXPECT_TRUE(previewStill(window, 3)) << "the preview still moves";
    session.screenshot("hotplug-pulled");
    ASSERT_TRUE(camera.plug({})) << camera.log();
    expectPreviewBack(window, "0");
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
}

TEST_F(Hotplug, AClipRecordingWhenTheCameraGoesIsFinishedAndPlays) {
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
    const std::string stopped = session.waitForCaption(window, notCounting);
    EXPECT_TRUE(notCounting(stopped))
        << "the recording goes on, or the window is gone: \"" << stopped << "\"";
    session.screenshot("hotplug-recording-unbound");

    const std::string clip = testenv::videosDir() + "/Movie0001.avi";
    std::vector<int> numbers;
    EXPECT_TRUE(
        waitUntil([&] { return (numbers = clipFrameNumbers(clip)).size() > 10; }, 30000, 500))
        << "the clip holds " << numbers.size() << " readable frames";
    EXPECT_EQ(session.run("ffmpeg -v error -i '" + clip + "' -f null - 2>&1; echo $?"), "0\n")
        << "the clip does not play to its end";
    const std::string commits = camera.value("commits");
    ASSERT_TRUE(camera.bind()) << "the driver did not take the camera back";
    expectPreviewBack(window, commits);
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
}
