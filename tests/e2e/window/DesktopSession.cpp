// Xvfb with -displayfd, so parallel tests never fight over a display number.
#include "DesktopSession.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <QLocalSocket>

// Tries free display numbers until an Xvfb holds one; parallel tests skip each other's.
DesktopSession::DesktopSession() {
    for (int n = 90 + static_cast<int>(::getpid() % 50); n < 400 && display_ < 0; ++n) {
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        if (std::filesystem::exists(lock) || std::filesystem::exists(socket)) {
            continue;
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string name = ":" + std::to_string(n);
            ::execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Ready when its socket appears; gone when the number was taken after all.
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid, nullptr, WNOHANG) == pid) {
                break;
            }
            if (std::filesystem::exists(socket)) {
                xvfb_ = pid;
                display_ = n;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (display_ < 0 && ::waitpid(pid, nullptr, WNOHANG) == 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
}

DesktopSession::~DesktopSession() {
    if (program_ > 0) {
        ::kill(program_, SIGKILL);
        ::waitpid(program_, nullptr, 0);
    }
    if (xvfb_ > 0) {
        ::kill(xvfb_, SIGTERM);
        ::waitpid(xvfb_, nullptr, 0);
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
    for (int i = 0; i < seconds * 10; ++i) {
        std::string id = run("xdotool search --onlyvisible --name '^" + title + "$'");
        if (!id.empty()) {
            return id.substr(0, id.find('\n'));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
}

QPoint DesktopSession::windowOrigin(const std::string& windowId) {
    const std::string out = run("xdotool getwindowgeometry --shell " + windowId);
    int x = 0, y = 0;
    const size_t px = out.find("X=");
    const size_t py = out.find("Y=");
    if (px != std::string::npos && py != std::string::npos) {
        x = std::atoi(out.c_str() + px + 2);
        y = std::atoi(out.c_str() + py + 2);
    }
    return QPoint(x, y);
}

void DesktopSession::click(const std::string& windowId, QPoint p, int button) {
    run("xdotool mousemove --window " + windowId + " " + std::to_string(p.x()) + " " + std::to_string(p.y()) +
        " sleep 0.2 click " + std::to_string(button));
}

void DesktopSession::key(const std::string& windowId, const std::string& keys) {
    // Real key events (XTEST) to the focused window: toolkits ignore events sent to a window.
    run("xdotool windowfocus --sync " + windowId + " sleep 0.2 key --delay 80 " + keys);
}

QImage DesktopSession::screenshot(const std::string& name) {
    const std::string file = artifactsDir() + "/" + name + ".png";
    run("import -window root '" + file + "'");
    return QImage(QString::fromStdString(file));
}

int DesktopSession::waitExit(int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        int status = 0;
        const pid_t r = ::waitpid(program_, &status, WNOHANG);
        if (r == program_) {
            program_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
}

int DesktopSession::terminate() {
    if (program_ <= 0) {
        return -1;
    }
    ::kill(program_, SIGTERM);
    return waitExit(20);
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

bool waitUntil(const std::function<bool()>& done, int tenths) {
    for (int i = 0; i < tenths; ++i) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
}

std::string sendOutsideMessage(const std::string& socketPath, const std::string& line) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(socketPath));
    if (!socket.waitForConnected(3000)) {
        return "";
    }
    socket.write((line + "\n").c_str());
    socket.flush();
    socket.waitForReadyRead(3000);
    return socket.readLine().trimmed().toStdString();
}

std::string DesktopSession::startAndWait(const std::string& program, const std::vector<std::string>& env,
                                         const std::string& title) {
    if (!start(program, env)) {
        return "";
    }
    const std::string window = waitForWindow(title, 30);
    std::this_thread::sleep_for(std::chrono::seconds(2));  // the first frames arrive
    return window;
}

bool DesktopSession::waitForChange(const QImage& before, const QRect& r, int pixels, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    do {
        if (differingPixels(before, screenshot("poll"), r) > pixels) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}
