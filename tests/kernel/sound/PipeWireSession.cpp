// The daemons are the distribution's, with their own configuration. The guest has no logind:
// wireplumber stops when it cannot watch logind's folders, so empty ones stand in for them (a
// seat that is never active only matters to Bluetooth).
#include "PipeWireSession.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/GuestSystem.h"
#include "support/Wait.h"

namespace {

std::string logFile() {
    return guest::results() + "/pipewire-session.log";
}

}  // namespace

PipeWireSession::~PipeWireSession() {
    stop();
}

bool PipeWireSession::start(const std::string& runtimeDir) {
    runtime_ = runtimeDir;
    std::error_code ec;
    std::filesystem::create_directories(runtime_, ec);
    ::chmod(runtime_.c_str(), 0700);
    for (const char* d : {"seats", "sessions", "users", "machines"}) {
        std::filesystem::create_directories(std::string("/run/systemd/") + d, ec);
    }
    daemons_.push_back(spawn(
        {"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + runtime_ + "/bus"}));
    if (!testenv::waitUntil([&] { return std::filesystem::exists(runtime_ + "/bus"); }, 30000,
                            50)) {
        return false;
    }
    for (const char* program : {"pipewire", "wireplumber", "pipewire-pulse"}) {
        daemons_.push_back(spawn({program}));
    }
    return testenv::waitUntil(
        [&] { return pactl("info").find("Server Name") != std::string::npos; }, 60000, 200);
}

void PipeWireSession::stop() {
    // The clients first, the server last; each waited for, so none outlives the test.
    std::reverse(daemons_.begin(), daemons_.end());
    for (const pid_t pid : daemons_) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    daemons_.clear();
}

std::vector<std::string> PipeWireSession::clientEnvironment() const {
    return {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + runtime_ + "/bus",
            "PULSE_SERVER=unix:" + runtime_ + "/pulse/native", "PIPEWIRE_RUNTIME_DIR=" + runtime_};
}

std::string PipeWireSession::pactl(const std::string& arguments) const {
    std::string env;
    for (const std::string& e : clientEnvironment()) {
        env += e + " ";
    }
    return guest::shell(env + "pactl " + arguments + " 2>>" + logFile());
}

bool PipeWireSession::waitForSource(const std::string& part, int seconds) const {
    return testenv::waitUntil(
        [&] { return pactl("list short sources").find(part) != std::string::npos; }, seconds * 1000,
        500);
}

pid_t PipeWireSession::spawn(const std::vector<std::string>& command) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int log = ::open(logFile().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        ::dup2(log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
        ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        for (const std::string& e : clientEnvironment()) {
            const size_t eq = e.find('=');
            ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
        }
        ::unsetenv("PULSE_SERVER");  // pipewire-pulse makes that socket, it does not use it
        std::vector<char*> argv;
        for (const std::string& a : command) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}
