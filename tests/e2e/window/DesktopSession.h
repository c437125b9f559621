// A user's desktop for end-to-end tests: a real X server (Xvfb) with a window manager (openbox)
// so windows have frames, focus and activation, the program running in it, and the person's
// tools: xdotool for the mouse and keys, ImageMagick for screenshots kept as artifacts.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QRect>

#include "OutsideMessage.h"
#include "support/Wait.h"

using testenv::waitUntil;

// Pixels that differ between two screenshots inside a rectangle (every second row and column).
int differingPixels(const QImage& a, const QImage& b, const QRect& r);

class XWindows;

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
    // Waits up to `seconds` for a mapped window whose caption, as a window manager reads it
    // (_NET_WM_NAME) and as WM_NAME, is exactly `title`; its id or "".
    std::string waitForWindow(const std::string& title, int seconds);
    // The caption a window manager shows for the window (_NET_WM_NAME, UTF-8), "" without one.
    std::string caption(const std::string& windowId);
    // Waits until the caption satisfies `accept`; the last caption seen.
    std::string waitForCaption(const std::string& windowId,
                               const std::function<bool(const std::string&)>& accept,
                               int seconds = 15);
    // The frame's outer rectangle on the screen (the client area on a bare server).
    QRect frameRect(const std::string& windowId);
    // The mapped popup windows (override-redirect) on the screen.
    std::vector<QRect> popups();
    // The id of the window the window manager reports active, "" for none.
    std::string activeWindow();
    // Waits until the preview (the top left of the client area) moves.
    bool waitForPreview(const std::string& windowId, int seconds = 15);
    // Waits until a popup is on the screen; its rectangle, or an empty one.
    QRect waitForPopup(int seconds = 10);
    // Presses the left button at one screen point and releases it at another.
    void drag(QPoint from, QPoint to);
    // start(), then the window titled `title` after its first frames: its id, or "".
    std::string startAndWait(const std::string& program, const std::vector<std::string>& env,
                             const std::string& title);
    // The window's client-area origin on the screen.
    QPoint windowOrigin(const std::string& windowId);
    void click(const std::string& windowId, QPoint clientPoint, int button = 1);
    void key(const std::string& windowId, const std::string& keys);
    // Saves the screen as <artifacts>/<name>.png and loads it.
    QImage screenshot(const std::string& name);
    // The screen now, through a file of this test process's own: the artifacts folder is shared
    // by tests running in parallel, so a poll there could read another test's screen.
    QImage grab();
    // Takes screenshots until more than `pixels` pixels of `r` differ from `before`: how a test
    // sees that the program finished what it was doing (a window busy with a snapshot ignores the
    // next command, as it would a person's).
    bool waitForChange(const QImage& before, const QRect& r, int pixels = 50, int seconds = 15);
    // Ends the X server at once, as a crash or a lost connection would.
    bool killDisplay();
    // Sends SIGTERM and waits; the program's exit code, or -1.
    int terminate(int seconds = 20);
    // Waits for the program to end by itself; its exit code, or -1 after `seconds`.
    int waitExit(int seconds);
    bool running() const { return program_ > 0; }

    static std::string artifactsDir();
    // Runs a shell command with DISPLAY set; its standard output.
    std::string run(const std::string& command);

    XWindows& windows() { return *windows_; }

  private:
    QImage screenshotTo(const std::string& file);
    bool startServer();
    bool startWindowManager();

    int display_ = -1;
    pid_t windowManager_ = -1;
    std::unique_ptr<XWindows> windows_;
    pid_t xvfb_ = -1;
    pid_t program_ = -1;
};
