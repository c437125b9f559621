// Xvfb with -displayfd, so parallel tests never fight over a display number.
#include "DesktopSession.h"

#include <poll.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "XWindows.h"
#include "support/TestEnvironment.h"

namespace {

// A test that aborts must not leave its X server and program behind: they would hold ctest's
// output pipe open until its timeout.
void dieWithParent() {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

}  // namespace

DesktopSession::DesktopSession() {
    if (!startServer()) {
        return;
    }
    windows_ = std::make_unique<XWindows>(display());
    if (!windows_->connected() || !startWindowManager()) {
        display_ = -1;
    }
}

// Xvfb picks a free display itself and writes its number once it accepts connections.
bool DesktopSession::startServer() {
    int fds[2];
    if (::pipe(fds) != 0) {
        return false;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        dieWithParent();
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                 "-nolisten", "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return false;
    }
    xvfb_ = pid;
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && ::poll(&p, 1, 120000) > 0) {
        char buf[16];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        number.append(buf, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        return false;
    }
    display_ = std::atoi(number.c_str());
    return true;
}

bool DesktopSession::startWindowManager() {
    windowManager_ = ::fork();
    if (windowManager_ == 0) {
        dieWithParent();
        ::setenv("DISPLAY", display().c_str(), 1);
        // The system's configuration, as a user's session has it (the tests' XDG_CONFIG_DIRS hides
        // it).
        ::execlp("openbox", "openbox", "--sm-disable", "--config-file", "/etc/xdg/openbox/rc.xml",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Generous: under an emulated CPU (the kernel bench) the server and its fonts load slowly.
    return windowManager_ > 0 &&
           waitUntil([this] { return windows_->windowManagerRunning(); }, 120000, 50);
}

DesktopSession::~DesktopSession() {
    if (program_ > 0) {
        ::kill(program_, SIGKILL);
        ::waitpid(program_, nullptr, 0);
    }
    windows_.reset();
    for (pid_t pid : {windowManager_, xvfb_}) {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
}

std::string DesktopSession::artifactsDir() {
    const char* build = std::getenv("PEEKBOX_BUILD_DIR");
    const std::string dir = std::string(build != nullptr ? build : ".") + "/e2e-artifacts";
    std::filesystem::create_directories(dir);
    return dir;
}

std::string DesktopSession::run(const std::string& command) {
    const std::string full = "DISPLAY=" + display() + " " + command + " 2>/dev/null";
    std::string out;
    if (FILE* p = ::popen(full.c_str(), "r")) {
        std::array<char, 256> buf{};
        while (std::fgets(buf.data(), buf.size(), p) != nullptr) {
            out += buf.data();
        }
        ::pclose(p);
    }
    return out;
}

bool DesktopSession::start(const std::string& program, const std::vector<std::string>& env) {
    const char* build = std::getenv("PEEKBOX_BUILD_DIR");
    const std::string path = std::string(build != nullptr ? build : ".") + "/app/" + program;
    program_ = ::fork();
    if (program_ == 0) {
        dieWithParent();
        ::setenv("DISPLAY", display().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        for (const std::string& e : env) {
            const size_t eq = e.find('=');
            ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
        }
        ::execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return program_ > 0;
}

std::string DesktopSession::waitForWindow(const std::string& title, int seconds) {
    std::string seen;
    std::string found;
    const auto look = [&] {
        seen.clear();
        for (const uint32_t w : windows_->clientWindows()) {
            const std::string net = windows_->netWmName(w).value_or("");
            if (net == title && windows_->wmName(w).value_or("") == title) {
                found = std::to_string(w);
                return true;
            }
            seen += "\"" + net + "\" ";
        }
        return false;
    };
    if (waitUntil(look, seconds * 1000, 50)) {
        return found;
    }
    std::fprintf(stderr, "no window captioned \"%s\"; captions seen: %s\n", title.c_str(),
                 seen.c_str());
    return {};
}

std::string DesktopSession::caption(const std::string& windowId) {
    return windows_->netWmName(static_cast<uint32_t>(std::stoul(windowId))).value_or("");
}

std::string DesktopSession::waitForCaption(const std::string& windowId,
                                           const std::function<bool(const std::string&)>& accept,
                                           int seconds) {
    std::string last;
    waitUntil([&] { return accept(last = caption(windowId)); }, seconds * 1000, 50);
    return last;
}

QRect DesktopSession::frameRect(const std::string& windowId) {
    return windows_->frameRect(static_cast<uint32_t>(std::stoul(windowId)));
}

std::vector<QRect> DesktopSession::popups() {
    std::vector<QRect> rects;
    const QRect screen(0, 0, 1280, 1024);
    for (const uint32_t w : windows_->overrideRedirectWindows()) {
        // The window manager keeps a mapped window of its own off the screen.
        const QRect r = windows_->clientRect(w);
        if (screen.intersects(r)) {
            rects.push_back(r);
        }
    }
    return rects;
}

std::string DesktopSession::activeWindow() {
    const uint32_t w = windows_->activeWindow();
    return w != 0 ? std::to_string(w) : std::string();
}

QPoint DesktopSession::windowOrigin(const std::string& windowId) {
    return windows_->clientRect(static_cast<uint32_t>(std::stoul(windowId))).topLeft();
}

void DesktopSession::click(const std::string& windowId, QPoint p, int button) {
    run("xdotool mousemove --window " + windowId + " " + std::to_string(p.x()) + " " +
        std::to_string(p.y()) + " sleep 0.2 click " + std::to_string(button));
}

void DesktopSession::key(const std::string& windowId, const std::string& keys) {
    // Real key events (XTEST) to the active window: toolkits ignore events sent to a window. The
    // window manager is asked to activate it, as a person's click on it would.
    run("xdotool windowactivate --sync " + windowId + " sleep 0.2 key --delay 80 " + keys);
}

QImage DesktopSession::screenshotTo(const std::string& file) {
    run("import -window root '" + file + "'");
    return QImage(QString::fromStdString(file));
}

QImage DesktopSession::screenshot(const std::string& name) {
    return screenshotTo(artifactsDir() + "/" + name + ".png");
}

QImage DesktopSession::grab() {
    return screenshotTo(testenv::tempDir() + "/screen.png");
}

int DesktopSession::waitExit(int seconds) {
    if (program_ <= 0) {
        return -1;
    }
    int status = 0;
    if (!waitUntil([&] { return ::waitpid(program_, &status, WNOHANG) == program_; },
                   seconds * 1000)) {
        return -1;
    }
    program_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int DesktopSession::terminate(int seconds) {
    if (program_ <= 0) {
        return -1;
    }
    ::kill(program_, SIGTERM);
    return waitExit(seconds);
}

int differingPixels(const QImage& a, const QImage& b, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); y += 2) {
        for (int x = r.left(); x <= r.right(); x += 2) {
            n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return n;
}

std::string DesktopSession::startAndWait(const std::string& program,
                                         const std::vector<std::string>& env,
                                         const std::string& title) {
    if (!start(program, env)) {
        return "";
    }
    const std::string window = waitForWindow(title, 30);
    if (!window.empty()) {
        waitForPreview(window);  // ready for a person once the first frames move
    }
    return window;
}

bool DesktopSession::waitForChange(const QImage& before, const QRect& r, int pixels, int seconds) {
    return waitUntil([&] { return differingPixels(before, grab(), r) > pixels; }, seconds * 1000,
                     100);
}

bool DesktopSession::waitForPreview(const std::string& windowId, int seconds) {
    const QRect preview(windowOrigin(windowId) + QPoint(20, 20), QSize(300, 200));
    return waitForChange(grab(), preview, 20, seconds);
}

QRect DesktopSession::waitForPopup(int seconds) {
    QRect popup;
    waitUntil(
        [&] {
            const std::vector<QRect> open = popups();
            popup = open.empty() ? QRect() : open.front();
            return !open.empty();
        },
        seconds * 1000);
    return popup;
}

void DesktopSession::drag(QPoint from, QPoint to) {
    auto at = [](QPoint p) { return std::to_string(p.x()) + " " + std::to_string(p.y()); };
    run("xdotool mousemove " + at(from) + " sleep 0.2 mousedown 1 sleep 0.2 mousemove " + at(to) +
        " sleep 0.2 mouseup 1");
}

bool DesktopSession::killDisplay() {
    if (xvfb_ <= 0 || ::kill(xvfb_, SIGKILL) != 0) {
        return false;
    }
    ::waitpid(xvfb_, nullptr, 0);
    xvfb_ = -1;
    return true;
}
