// A real X server (Xvfb) for end-to-end tests, the program running in it, and the person's
// tools: xdotool for the mouse and keys, ImageMagick for screenshots kept as artifacts.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QRect>

// Pixels that differ between two screenshots inside a rectangle (every second row and column).
int differingPixels(const QImage& a, const QImage& b, const QRect& r);
// Polls `done` every 100 ms, `tenths` times at most; its last answer.
bool waitUntil(const std::function<bool()>& done, int tenths = 100);
// Sends one line to a running program's message socket; its answer, or "" without one.
std::string sendOutsideMessage(const std::string& socketPath, const std::string& line);

class DesktopSession {
public:
    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    bool ready() const { return display_ >= 0; }
    std::string display() const { return ":" + std::to_string(display_); }

    // Starts build/app/<program> on this display with extra environment entries.
    bool start(const std::string& program, const std::vector<std::string>& env = {});
    // Waits up to `seconds` for a window whose title is exactly `title`; its id or "".
    std::string waitForWindow(const std::string& title, int seconds);
    // start(), then the window titled `title` after its first frames: its id, or "".
    std::string startAndWait(const std::string& program, const std::vector<std::string>& env,
                             const std::string& title);
    // The window's client-area origin on the screen.
    QPoint windowOrigin(const std::string& windowId);
    void click(const std::string& windowId, QPoint clientPoint, int button = 1);
    void key(const std::string& windowId, const std::string& keys);
    // Saves the screen as <artifacts>/<name>.png and loads it.
    QImage screenshot(const std::string& name);
    // Takes screenshots until more than `pixels` pixels of `r` differ from `before`: how a test
    // sees that the program finished what it was doing (a window busy with a snapshot ignores the
    // next command, as it would a person's).
    bool waitForChange(const QImage& before, const QRect& r, int pixels = 50, int seconds = 15);
    // Sends SIGTERM and waits; the program's exit code, or -1.
    int terminate();
    // Waits for the program to end by itself; its exit code, or -1 after `seconds`.
    int waitExit(int seconds);
    bool running() const { return program_ > 0; }

    static std::string artifactsDir();
    // Runs a shell command with DISPLAY set; its standard output.
    std::string run(const std::string& command);

private:
    int display_ = -1;
    pid_t xvfb_ = -1;
    pid_t program_ = -1;
};
