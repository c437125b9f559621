// The message socket against hostile and careless peers, on a real socket: idle floods under a
// low descriptor limit, over-long lines, and a peer that shuts its sending side first.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <qtestsupport_core.h>

#include "app/OutsideMessages.h"
#include "support/TestEnvironment.h"

namespace {

// Receives the posted window messages.
class Target final : public QObject {
  public:
    std::vector<int> messages;

  protected:
    void customEvent(QEvent* event) override { messages.push_back(event->type() - QEvent::User); }
};

int connectTo(const std::string& path, bool nonBlocking) {
    const int fd =
        ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 &&
        errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct Reply {
    std::string text;
    bool closed = false;  // the server ended the connection
};

// Sends `bytes` (then shuts the sending side when `halfClose`) and collects what comes back
// until `lines` answers or the end of the connection, the server's events running meanwhile.
Reply exchange(const std::string& path, const std::string& bytes, size_t lines, bool halfClose) {
    Reply reply;
    int fd = -1;
    // Non-blocking: a full listen queue must not stop the server's events, which run here too.
    if (!QTest::qWaitFor([&] { return (fd = connectTo(path, true)) >= 0; })) {
        return reply;
    }
    [[maybe_unused]] const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (halfClose) {
        ::shutdown(fd, SHUT_WR);
    }
    auto complete = [&] {
        return reply.closed ||
               static_cast<size_t>(std::count(reply.text.begin(), reply.text.end(), '\n')) >= lines;
    };
    // A reply cut short shows in what the caller compares.
    (void)QTest::qWaitFor([&] {
        char buf[256];
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            reply.text.append(buf, static_cast<size_t>(n));
        } else if (n == 0) {
            reply.closed = true;
        }
        return halfClose ? reply.closed : complete();
    });
    ::close(fd);
    return reply;
}

size_t openDescriptors() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                             std::filesystem::directory_iterator()));
}

}  // namespace

TEST(OutsideMessagesTest, OverLongLinesAreRefusedWholeAndHalfClosedPeersGetEveryAnswer) {
    Target target;
    OutsideMessages messages("Lines", &target);
    ASSERT_TRUE(messages.listening());

    // Neither tail may pass for a command: one answer for each whole line, and nothing posted.
    const std::string padded = std::string(OutsideMessages::kMaxLineBytes, ' ') + "1026\n";
    const std::string zeros = std::string(300, '0') + "1026\n";
    Reply r = exchange(messages.path(), padded + zeros + "1025\n", 3, false);
    EXPECT_EQ(r.text, "unknown\nunknown\nok\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !target.messages.empty(); }));
    EXPECT_EQ(target.messages, std::vector<int>{1025});

    // As `echo 1026 | socat - UNIX-CONNECT:...` does: send, shut the sending side, read.
    target.messages.clear();
    r = exchange(messages.path(), "1026\nnonsense\n1025\n", 3, true);
    EXPECT_EQ(r.text, "ok\nunknown\nok\n");
    EXPECT_TRUE(r.closed);
    EXPECT_TRUE(QTest::qWaitFor([&] { return target.messages.size() == 2; }));

    // `printf 1026 | socat ...`: the close ends the last line, which is answered and run.
    target.messages.clear();
    r = exchange(messages.path(), "1025\n1026", 2, true);
    EXPECT_EQ(r.text, "ok\nok\n");
    EXPECT_TRUE(r.closed);
    EXPECT_TRUE(QTest::qWaitFor([&] { return target.messages.size() == 2; }));
    EXPECT_EQ(target.messages, (std::vector<int>{1025, 1026}));
}

TEST(OutsideMessagesTest,
     SilentConnectionsAreDroppedAndAFloodOfThemNeitherExhaustsDescriptorsNorEndsListening) {
    Target target;
    OutsideMessages messages("Flood", &target);
    ASSERT_TRUE(messages.listening());

    // A connection that sends nothing is ended by the server within a few seconds.
    const int idle = connectTo(messages.path(), true);
    ASSERT_GE(idle, 0);
    char byte = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return ::recv(idle, &byte, 1, MSG_DONTWAIT) == 0; }, 10000));
    ::close(idle);

    // Few descriptors left to this process; another process opens far more connections.
    struct LowLimit {
        rlimit saved{};
        LowLimit() {
            ::getrlimit(RLIMIT_NOFILE, &saved);
            rlimit low = saved;
            low.rlim_cur = openDescriptors() + 40;
            ::setrlimit(RLIMIT_NOFILE, &low);
        }
        ~LowLimit() { ::setrlimit(RLIMIT_NOFILE, &saved); }
    } lowLimit;
    const rlimit saved = lowLimit.saved;

    constexpr int kFlood = 200;
    int report[2];
    int release[2];
    ASSERT_EQ(::pipe(report), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // Only system calls here: the parent has threads. Connections the backlog refuses for
        // now are tried again for a few seconds.
        ::setrlimit(RLIMIT_NOFILE, &saved);
        int opened = 0;
        timespec start{};
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &start);
        do {
            // A blocking connect waits, up to its send timeout, for room in the listen queue.
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const timeval wait{0, 50000};
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            std::strncpy(addr.sun_path, messages.path().c_str(), sizeof addr.sun_path - 1);
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
                ++opened;
            } else {
                ::close(fd);
            }
            ::clock_gettime(CLOCK_MONOTONIC, &now);
        } while (opened < kFlood && now.tv_sec - start.tv_sec < 4);
        [[maybe_unused]] const ssize_t w = ::write(report[1], &opened, sizeof opened);
        char go = 0;
        [[maybe_unused]] const ssize_t r = ::read(release[0], &go, 1);
        ::_exit(0);  // closes every connection
    }
    ASSERT_GT(child, 0);
    int opened = 0;
    pollfd waiting{report[0], POLLIN, 0};
    const bool reported = QTest::qWaitFor([&] { return ::poll(&waiting, 1, 0) == 1; }, 30000);
    if (reported) {
        [[maybe_unused]] const ssize_t r = ::read(report[0], &opened, sizeof opened);
    }
    struct stat st {};
    const bool socketFileKept = ::stat(messages.path().c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
    const bool stillListening = messages.listening();
    [[maybe_unused]] const ssize_t w = ::write(release[1], "x", 1);
    ::waitpid(child, nullptr, 0);
    for (int fd : {report[0], report[1], release[0], release[1]}) {
        ::close(fd);
    }

    EXPECT_TRUE(reported);
    EXPECT_GT(opened, 0);
    EXPECT_TRUE(socketFileKept);
    EXPECT_TRUE(stillListening);
    // Once the flood is gone, a well-behaved sender is served again.
    EXPECT_EQ(exchange(messages.path(), "1025\n", 1, false).text, "ok\n");
}

TEST(OutsideMessagesTest, AVanishedSocketFileIsMadeAgain) {
    Target target;
    OutsideMessages messages("Vanish", &target);
    ASSERT_TRUE(messages.listening());
    ASSERT_EQ(::unlink(messages.path().c_str()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return testenv::fileExists(messages.path()); }));
    EXPECT_EQ(exchange(messages.path(), "1026\n", 1, false).text, "ok\n");
}
