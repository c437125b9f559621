// Self-pipe: the async-signal-safe handler writes the signal number, a socket notifier reads it.
#include "TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <QSocketNotifier>

namespace platform {
namespace {
int g_pipe[2] = {-1, -1};
// A hang-up (the terminal or the session went away) ends the program like a termination.
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void handler(int sig) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}
}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)) {
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        while (::read(g_pipe[0], &byte, 1) == 1) {
            if (onSignal_) {
                onSignal_(byte);
            }
        }
    });
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kSignals) {
        ::sigaction(sig, &sa, nullptr);
    }
}

namespace {
void setAll(void (*disposition)(int)) {
    struct sigaction sa {};
    sa.sa_handler = disposition;
    sigemptyset(&sa.sa_mask);
    for (int sig : kSignals) {
        ::sigaction(sig, &sa, nullptr);
    }
}
}  // namespace

TerminationSignals::~TerminationSignals() {
    if (!ignoring_) {
        setAll(SIG_DFL);
    }
}

void TerminationSignals::ignoreFurther() {
    ignoring_ = true;
    setAll(SIG_IGN);
}

}  // namespace platform
