// Finding the camera through udev and through sysfs, refusing ids outside the table, a row of the
// settings that admits one, a camera another program holds, and the branded edition on a
// branded id.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "KernelSession.h"
#include "support/TestEnvironment.h"

namespace {

// Runs Peekbox without a desktop; its exit code, stderr in `errors`.
int runHeadless(std::string& errors) {
    const std::string program = std::string(std::getenv("PEEKBOX_BUILD_DIR")) + "/app/peekbox";
    const std::string errorFile = testenv::tempDir() + "/peekbox.err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int fd = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::execl(program.c_str(), program.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    errors = testenv::readFile(errorFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Another program streaming from the camera, as a video call would; ended with the object.
class CameraHolder {
  public:
    explicit CameraHolder(const std::string& node) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const std::string device = "device=" + node;
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::execlp("gst-launch-1.0", "gst-launch-1.0", "-q", "v4l2src", device.c_str(), "!",
                     "fakesink", nullptr);
            ::_exit(127);
        }
    }
    ~CameraHolder() { release(); }
    CameraHolder(const CameraHolder&) = delete;
    CameraHolder& operator=(const CameraHolder&) = delete;

    void release() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
};

class Discovery : public KernelTest {};

}  // namespace

TEST_F(Discovery, WithUdevdTheCameraIsFoundByItsIdsAndPreviews) {
    ASSERT_TRUE(guest::startUdevd()) << "systemd-udevd did not start";
    ASSERT_TRUE(camera.plug({})) << camera.log();
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty()) << "no window with a live preview";
    EXPECT_EQ(camera.value("streaming"), "1");
    EXPECT_EQ(camera.value("format"), "YUY2");
    session.screenshot("discovery-udevd");
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
    guest::stopUdevd();
}

TEST_F(Discovery, WithoutUdevdTheIdsComeFromSysfs) {
    ASSERT_TRUE(guest::shell("pidof systemd-udevd").empty()) << "udevd still runs";
    ASSERT_TRUE(camera.plug({})) << camera.log();
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty()) << "no window with a live preview";
    session.screenshot("discovery-sysfs");
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
}

TEST_F(Discovery, AnIdOutsideTheTableIsNamedAndASettingsRowMakesItRun) {
    ASSERT_TRUE(camera.plug({.pid = "0e01", .product = "Odd Camera"})) << camera.log();
    std::string errors;
    EXPECT_EQ(runHeadless(errors), 0);
    EXPECT_NE(errors.find("Odd Camera 3a7b:0e01 is not in the supported camera list"),
              std::string::npos)
        << errors;
    EXPECT_EQ(camera.value("commits"), "0") << "the refused camera was streamed";

    testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf",
                       "[General]\nCounter=1\n\n[SupportedCameras]\n1=3a7b 0e01 4:3 YUY2 1\n");
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty()) << "the camera of the settings row does not preview";
    EXPECT_EQ(camera.value("format"), "YUY2");
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
}

TEST_F(Discovery, ACameraAnotherProgramHoldsIsNamedAndRunsOnceItIsFree) {
    ASSERT_TRUE(camera.plug({})) << camera.log();
    CameraHolder holder(camera.videoNode());
    ASSERT_TRUE(camera.waitFor("streaming", "1", 120)) << "the other program does not stream";
    std::string errors;
    EXPECT_EQ(runHeadless(errors), 0);
    EXPECT_NE(errors.find("Desk Camera 3a7b:0b01 is supported but could not be started"),
              std::string::npos)
        << errors;

    holder.release();  // its process has ended: the driver has let the stream go
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty()) << "the freed camera does not preview";
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
}

TEST_F(Discovery, GlimmerRunsOnABrandedId) {
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Glimmer.conf", "[General]\nCounter=1\n");
    ASSERT_TRUE(camera.plug({.pid = "0d01", .product = "Brand Camera"})) << camera.log();
    const std::string window = startProgram("glimmer", "Norvale Glimmer webcam");
    ASSERT_FALSE(window.empty()) << "no Glimmer window with a live preview";
    session.screenshot("discovery-glimmer");
    EXPECT_EQ(camera.value("streaming"), "1");
    EXPECT_EQ(session.terminate(kExitSeconds), 0);
}
