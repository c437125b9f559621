// The real executables: exit codes of the single-instance rule and the no-camera start, what a
// start without a camera says and that it ends without a desktop to tell, cameras added in the
// settings file, and that each binary carries only its own edition's names.
#include <fcntl.h>
#include <sys/file.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestEnvironment.h"
#include "support/Wait.h"

namespace {

std::string binary(const std::string& name) {
    const char* dir = std::getenv("PEEKBOX_BUILD_DIR");
    return std::string(dir != nullptr ? dir : ".") + "/app/" + name;
}

// With `errorFile` or `outputFile`, the program's stderr or stdout goes there.
pid_t start(const std::string& program, const std::vector<std::string>& args = {},
            const std::string& errorFile = {}, const std::string& outputFile = {}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (!errorFile.empty()) {
            const int fd = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, STDERR_FILENO);
        }
        if (!outputFile.empty()) {
            const int fd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, STDOUT_FILENO);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

int waitExit(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Its exit code if it ends within `seconds`; else it is killed and the answer is -1.
int waitExitWithin(pid_t pid, int seconds) {
    int status = 0;
    if (!testenv::waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, seconds * 1000,
                            20)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the program with the test environment; returns its exit code, or -1 on a signal.
int run(const std::string& program, const std::vector<std::string>& args = {}) {
    return waitExit(start(program, args));
}

// Waits up to 30 s until the running program answers a line on its message socket.
bool answersOnItsSocket(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    return testenv::waitUntil(
        [&] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            bool answered = false;
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 &&
                ::send(fd, "ping\n", 5, MSG_NOSIGNAL) == 5) {
                pollfd p{fd, POLLIN, 0};
                char c = 0;
                answered = ::poll(&p, 1, 1000) == 1 && ::recv(fd, &c, 1, 0) == 1;
            }
            ::close(fd);
            return answered;
        },
        30000, 50);
}

std::string binaryText(const std::string& path) {
    return testenv::readFile(path);
}

// Every place `needle` occurs in `haystack`, with `context` bytes either side.
std::vector<std::string> occurrences(const std::string& haystack, const std::string& needle,
                                     size_t context) {
    std::vector<std::string> found;
    for (size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1)) {
        const size_t from = at >= context ? at - context : 0;
        found.push_back(haystack.substr(from, needle.size() + 2 * context));
    }
    return found;
}

}  // namespace

TEST(Startup, SecondInstanceExitsWithOneAtOnce) {
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf", "[General]\nCounter=1\n");
    // Hold the name as a running first instance does.
    const std::string lockPath = testenv::runtimeDir() + "/Peekbox.lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(run(binary("peekbox")), 1);
    // The branded edition has a name of its own and is not refused.
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Glimmer.conf", "[General]\nCounter=1\n");
    EXPECT_EQ(run(binary("glimmer")), 0);
    ::close(fd);
}

// Without a session bus (the test environment names none) stderr alone says why.
TEST(Startup, NoCameraEndsWithZeroAndSaysSo) {
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf", "[General]\nCounter=4\n");
    const std::string errors = testenv::tempDir() + "/stderr.txt";
    EXPECT_EQ(waitExitWithin(start(binary("peekbox"), {}, errors), 20), 0);
    EXPECT_NE(testenv::readFile(errors).find("no camera found\n"), std::string::npos);
    const std::string settings =
        testenv::readFile(testenv::configHome() + "/Tarnwick/Peekbox.conf");
    EXPECT_NE(settings.find("Counter=4"), std::string::npos);
    EXPECT_NE(settings.find("ImageWidth=640"), std::string::npos);
}

// The desktop notification of such a start waits a bounded moment at most: with a session bus
// that takes the connection and never answers (here the user bus socket of the runtime folder,
// found without the environment naming it), the program still ends by itself with exit code 0
// and its reason on stderr. (The test above has no session bus at all.)
TEST(Startup, NoCameraEndsWhenTheSessionBusNeverAnswers) {
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Glimmer.conf", "[General]\nCounter=1\n");
    const std::string errors = testenv::tempDir() + "/stderr.txt";
    const std::string silent = testenv::runtimeDir() + "/bus";
    const int bus = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, silent.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(bus, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(bus, 4), 0);
    EXPECT_EQ(waitExitWithin(start(binary("glimmer"), {}, errors), 20), 0);
    EXPECT_NE(testenv::readFile(errors).find("no camera found\n"), std::string::npos);
    ::close(bus);
    ::unlink(silent.c_str());
}

// A camera outside the table counts as none, and the program says which camera it saw; listed
// in the settings file it previews, until a termination ends it through the normal shutdown.
// The branded edition keeps its own table.
TEST(Startup, CameraOutsideTheTableIsNamedAndRunsOnceTheSettingsListIt) {
    const std::string settings = testenv::configHome() + "/Tarnwick/Peekbox.conf";
    const std::string errors = testenv::tempDir() + "/stderr.txt";
    const std::string named = "Desk Webcam 046d:0825 is not in the supported camera list\n";
    ::setenv("TARNWICK_VIRTUAL_DEVICES", "camera:name=Desk Webcam,vid=046d,pid=0825", 1);

    testenv::writeFile(settings, "[General]\nCounter=6\n");
    EXPECT_EQ(waitExit(start(binary("peekbox"), {}, errors)), 0);
    EXPECT_NE(testenv::readFile(errors).find(named), std::string::npos)
        << testenv::readFile(errors);

    testenv::writeFile(settings,
                       "[General]\nCounter=6\n[SupportedCameras]\n"
                       "1=046D 0825 4:3 YUY2 1\n2=046d 0825 4:3 YUV 1\n");
    const pid_t pid = start(binary("peekbox"), {}, errors);
    ASSERT_TRUE(answersOnItsSocket(testenv::runtimeDir() + "/Peekbox.sock"));
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    EXPECT_EQ(waitExit(pid), 0);
    // Without a preview the program would have ended by itself with the line above.
    const std::string said = testenv::readFile(errors);
    EXPECT_EQ(said.find(named), std::string::npos) << said;
    EXPECT_NE(
        said.find("[SupportedCameras] 2: skipped: subtype \"YUV\" is not YUY2, MJPG or RGB24"),
        std::string::npos)
        << said;
    const std::string written = testenv::readFile(settings);
    EXPECT_NE(written.find("ImageWidth=640"), std::string::npos) << written;
    EXPECT_NE(written.find("1=046D 0825 4:3 YUY2 1"), std::string::npos) << written;

    testenv::writeFile(testenv::configHome() + "/Tarnwick/Glimmer.conf",
                       "[General]\nCounter=1\n[SupportedCameras]\n1=046d 0825 4:3 YUY2 0\n");
    EXPECT_EQ(waitExit(start(binary("glimmer"), {}, errors)), 0);
    EXPECT_NE(testenv::readFile(errors).find(named), std::string::npos);
    ::unsetenv("TARNWICK_VIRTUAL_DEVICES");
}

// A hang-up (the terminal or the session ended) at any time after the start, here as soon as the
// program answers on its socket, ends it through its normal shutdown.
TEST(Startup, HangUpEndsThroughTheNormalShutdown) {
    const std::string settings = testenv::configHome() + "/Tarnwick/Peekbox.conf";
    testenv::writeFile(settings, "[General]\nCounter=6\n");
    ::setenv("TARNWICK_VIRTUAL_DEVICES", "camera:name=Test Camera,vid=3a7b,pid=0b01", 1);
    const pid_t pid = start(binary("peekbox"));
    ::unsetenv("TARNWICK_VIRTUAL_DEVICES");
    ASSERT_TRUE(answersOnItsSocket(testenv::runtimeDir() + "/Peekbox.sock"));
    ASSERT_EQ(::kill(pid, SIGHUP), 0);
    EXPECT_EQ(waitExit(pid), 0);
    EXPECT_NE(testenv::readFile(settings).find("ImageWidth=640"), std::string::npos);
}

// "--help" and "--version" answer on stdout and end with 0 before anything else: also while
// another instance holds the lock, with a camera attached, and without touching the settings.
// An answer that cannot be written is an error.
TEST(Startup, HelpAndVersionAnswerBeforeAnythingElse) {
    testenv::clearDir(testenv::configHome() + "/Tarnwick");
    const int lock =
        ::open((testenv::runtimeDir() + "/Peekbox.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    ::setenv("TARNWICK_VIRTUAL_DEVICES", "camera:name=Desk Camera", 1);
    const std::string output = testenv::tempDir() + "/stdout.txt";
    const std::string errors = testenv::tempDir() + "/stderr.txt";
    struct Case {
        const char* program;
        const char* argument;
        const char* starts;
    };
    for (const Case& c :
         {Case{"peekbox", "--help", "Usage: peekbox [/msg]\n"},
          Case{"peekbox", "--version", "Peekbox " PEEKBOX_VERSION "\n"},
          Case{"glimmer", "-h", "Usage: glimmer\n"},
          Case{"glimmer", "--version", "Norvale Glimmer webcam " PEEKBOX_VERSION "\n"}}) {
        SCOPED_TRACE(std::string(c.program) + " " + c.argument);
        EXPECT_EQ(waitExit(start(binary(c.program), {"/msg", c.argument}, errors, output)), 0);
        const std::string said = testenv::readFile(output);
        EXPECT_EQ(said.rfind(c.starts, 0), 0u) << said;
        EXPECT_EQ(said.back(), '\n');
        EXPECT_TRUE(testenv::readFile(errors).empty()) << testenv::readFile(errors);
    }
    EXPECT_FALSE(testenv::fileExists(testenv::configHome() + "/Tarnwick"));
    EXPECT_FALSE(testenv::fileExists(testenv::runtimeDir() + "/Norvale_Glimmer.lock"));
    EXPECT_FALSE(testenv::fileExists(testenv::runtimeDir() + "/Norvale_Glimmer.sock"));
    EXPECT_EQ(waitExit(start(binary("peekbox"), {"--version"}, errors, "/dev/full")), 1);
    EXPECT_NE(testenv::readFile(errors).find("cannot write"), std::string::npos);
    ::unsetenv("TARNWICK_VIRTUAL_DEVICES");
    ::close(lock);
}

TEST(Startup, EachBinaryCarriesOnlyItsOwnEdition) {
    const std::string peekbox = binaryText(binary("peekbox"));
    const std::string glimmer = binaryText(binary("glimmer"));
    ASSERT_FALSE(peekbox.empty());
    ASSERT_FALSE(glimmer.empty());
    EXPECT_TRUE(occurrences(glimmer, "Peekbox", 0).empty());
    EXPECT_TRUE(occurrences(glimmer, "peekbox", 0).empty());
    EXPECT_FALSE(occurrences(peekbox, "Peekbox", 0).empty());
    // The title text's default is the one branded string both share.
    for (const std::string& hit : occurrences(peekbox, "Norvale", 0)) {
        (void)hit;
    }
    const size_t shared = occurrences(peekbox, "Norvale Glimmer webcam", 0).size();
    EXPECT_EQ(occurrences(peekbox, "Norvale", 0).size(), shared);
    EXPECT_EQ(occurrences(peekbox, "Glimmer", 0).size(), shared);
    EXPECT_TRUE(occurrences(peekbox, "norvale", 0).empty());
}
