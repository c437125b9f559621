// What a window manager and a person see of the X server's windows: captions as _NET_WM_NAME
// (UTF-8) and WM_NAME, client and frame rectangles, the active window. Read with xcb.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QRect>

struct xcb_connection_t;

class XWindows {
  public:
    explicit XWindows(const std::string& display);
    ~XWindows();
    XWindows(const XWindows&) = delete;
    XWindows& operator=(const XWindows&) = delete;

    bool connected() const { return connection_ != nullptr; }

    // The caption a window manager shows (_NET_WM_NAME, UTF-8), and the plain WM_NAME.
    std::optional<std::string> netWmName(uint32_t window);
    std::optional<std::string> wmName(uint32_t window);
    // The top-level client windows that are mapped: the window manager's client list when one
    // runs, otherwise the root's mapped children.
    std::vector<uint32_t> clientWindows();
    // Mapped windows that bypass the window manager (popups, menus).
    std::vector<uint32_t> overrideRedirectWindows();
    // The client area on the screen, and the rectangle including the frame a window manager adds
    // (_NET_FRAME_EXTENTS; the client area itself without one).
    QRect clientRect(uint32_t window);
    QRect frameRect(uint32_t window);
    // The window the window manager reports active (_NET_ACTIVE_WINDOW), 0 for none.
    uint32_t activeWindow();
    // True once a window manager has announced itself on the root window.
    bool windowManagerRunning();

  private:
    uint32_t atom(const char* name);
    std::optional<std::vector<uint8_t>> property(uint32_t window, uint32_t property, uint32_t type);

    xcb_connection_t* connection_ = nullptr;
    uint32_t root_ = 0;
};
