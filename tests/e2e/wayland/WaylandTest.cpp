// Peekbox in a Wayland session: a headless compositor, the program on Qt's Wayland platform.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <qtestsupport_core.h>

#include "e2e/window/OutsideMessage.h"
#include "support/Spawn.h"
#include "support/TestEnvironment.h"

namespace {

int waitExit(pid_t pid, int seconds) {
    int status = 0;
    if (!QTest::qWaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, seconds * 1000)) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class WaylandSession {
  public:
    WaylandSession() {
        compositor_ = testenv::spawn(
            {"weston", "--backend=headless-backend.so", "--socket=" + kSocket, "--idle-time=0"},
            {"DISPLAY"}, testenv::tempDir() + "/weston.log");
        ready_ = QTest::qWaitFor(
            [] { return std::filesystem::exists(testenv::runtimeDir() + "/" + kSocket); }, 20000);
    }
    ~WaylandSession() {
        ::kill(compositor_, SIGTERM);
        ::waitpid(compositor_, nullptr, 0);
    }
    bool ready() const { return ready_; }
    static inline const std::string kSocket = "peekbox-wayland";

  private:
    pid_t compositor_ = -1;
    bool ready_ = false;
};

std::string send(const std::string& line) {
    return sendOutsideMessage(testenv::runtimeDir() + "/Peekbox.sock", line);
}

}  // namespace

TEST(WaylandTest, PeekboxPreviewsOnAHeadlessCompositorAndEndsThroughItsShutdown) {
    WaylandSession wayland;
    ASSERT_TRUE(wayland.ready()) << testenv::readFile(testenv::tempDir() + "/weston.log");
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf", "[General]\nCounter=7\n");
    const std::string graphs = testenv::tempDir() + "/graphs";
    std::filesystem::create_directories(graphs);
    const std::string log = testenv::tempDir() + "/peekbox.log";
    const char* build = std::getenv("PEEKBOX_BUILD_DIR");
    const pid_t program = testenv::spawn(
        {std::string(build != nullptr ? build : ".") + "/app/peekbox"},
        {"DISPLAY", "QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=" + WaylandSession::kSocket,
         "GST_DEBUG_DUMP_DOT_DIR=" + graphs,
         "TARNWICK_VIRTUAL_DEVICES=camera:name=Desk Camera,vid=3a7b,pid=0b01"},
        log);

    // The preview graph exists, and the program keeps running on it and answering.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !std::filesystem::is_empty(graphs); }, 30000))
        << testenv::readFile(log);
    ASSERT_TRUE(QTest::qWaitFor([] { return send("1026") == "ok"; }, 30000))
        << testenv::readFile(log);
    // A few seconds of preview, as a person would watch it: the program must not end meanwhile.
    int status = 0;
    ASSERT_FALSE(
        QTest::qWaitFor([&] { return ::waitpid(program, &status, WNOHANG) == program; }, 3000))
        << "the program ended: " << testenv::readFile(log);
    EXPECT_EQ(send("1026"), "ok");

    ::kill(program, SIGTERM);
    EXPECT_EQ(waitExit(program, 20), 0);
    const std::string settings =
        testenv::readFile(testenv::configHome() + "/Tarnwick/Peekbox.conf");
    EXPECT_NE(settings.find("ImageWidth=640"), std::string::npos) << settings;
    EXPECT_NE(settings.find("Counter=7"), std::string::npos) << settings;
    EXPECT_EQ(testenv::readFile(log), "") << "the program warned";
}
