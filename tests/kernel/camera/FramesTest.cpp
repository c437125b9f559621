// The device's own frames through uvcvideo and v4l2src: in snapshots at each size the popup
// offers, as MJPEG for a camera asked for it, and in a clip at the device's rate.
#include <cmath>

#include "KernelSession.h"
#include "support/TestEnvironment.h"

namespace {

class Frames : public KernelTest {
  protected:
    // A snapshot of the size the device was asked for, holding one of the frames it sent.
    void expectDevicePicture(const std::string& window, int n, int width, int height) {
        ASSERT_TRUE(camera.waitFor("width", std::to_string(width)) &&
                    camera.waitFor("height", std::to_string(height)))
            << "the driver did not ask the device for " << width << "x" << height;
        ASSERT_TRUE(previewLive(window)) << "no frames at " << width << "x" << height;
        const QImage picture = snapshot(window, n);
        ASSERT_EQ(picture.size(), QSize(width, height)) << picturePath(n);
        std::string why;
        const int number = deviceFrameNumber(picture, &why);
        EXPECT_GE(number, 0) << picturePath(n) << " is not the device's picture: " << why;
        EXPECT_LE(number, std::stoi(camera.value("frames"))) << "a frame the device never sent";
    }
};

}  // namespace

TEST_F(Frames, SnapshotsHoldTheDevicesPictureAtEachOfferedSize) {
    ASSERT_TRUE(camera.plug({})) << camera.log();
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    expectDevicePicture(window, 1, 640, 480);
    const std::string commits = camera.value("commits");
    chooseSize(window, 0);
    expectDevicePicture(window, 2, 320, 240);
    EXPECT_NE(camera.value("commits"), commits) << "the size was not negotiated with the driver";
    chooseSize(window, 1);
    expectDevicePicture(window, 3, 640, 480);
    EXPECT_EQ(camera.value("format"), "YUY2");
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
}

TEST_F(Frames, AnMjpgCameraGetsMjpegAtEachOfferedSize) {
    ASSERT_TRUE(camera.plug({.pid = "0c01", .product = "Wide Camera", .formats = "mjpg", .rate = 10}))
        << camera.log();
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    EXPECT_EQ(camera.value("format"), "MJPG");
    expectDevicePicture(window, 1, 640, 480);
    chooseSize(window, 2);
    expectDevicePicture(window, 2, 1280, 800);
    chooseSize(window, 0);
    expectDevicePicture(window, 3, 320, 240);
    EXPECT_EQ(camera.value("format"), "MJPG");
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
}

TEST_F(Frames, AClipHoldsTheDevicesFramesAtItsRate) {
    constexpr int kRate = 10;
    ASSERT_TRUE(camera.plug({.rate = kRate})) << camera.log();
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    session.click(window, QPoint(66, 500));
    const std::string counting = session.waitForCaption(
        window, [](const std::string& c) { return c.find(" - 00:00:06") != std::string::npos; },
        60);
    ASSERT_NE(counting.find(" - 00:00:06"), std::string::npos) << counting;
    session.click(window, QPoint(66, 500));
    ASSERT_EQ(session.waitForCaption(window, [](const std::string& c) { return c == "Peekbox"; }),
              "Peekbox");
    const std::string clip = testenv::videosDir() + "/Movie0001.avi";
    std::vector<int> numbers;
    ASSERT_TRUE(waitUntil([&] { return (numbers = clipFrameNumbers(clip)).size() > 20; }, 30000,
                          500))
        << "the clip holds " << numbers.size() << " frames";

    // Each frame of the clip is a frame of the device, in order, each once.
    int repeated = 0;
    int skipped = 0;
    for (size_t i = 1; i < numbers.size(); ++i) {
        repeated += numbers[i] == numbers[i - 1] ? 1 : 0;
        skipped += numbers[i] > numbers[i - 1] + 1 ? 1 : 0;
        ASSERT_GE(numbers[i], numbers[i - 1]) << "frame " << i << " goes back in time";
    }
    EXPECT_EQ(repeated, 0) << "frames were repeated to fill a rate the device does not send";
    EXPECT_LE(skipped, static_cast<int>(numbers.size()) / 10) << "frames were lost";
    // Played back, the clip lasts as long as the device took to send its frames.
    const double duration = std::atof(
        session.run("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + clip + "'")
            .c_str());
    const double sent = static_cast<double>(numbers.back() - numbers.front() + 1) / kRate;
    EXPECT_NEAR(duration, sent, sent * 0.25)
        << numbers.size() << " frames " << numbers.front() << ".." << numbers.back();
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
}
