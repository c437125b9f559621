// A last call when the process is ended by exit() from code that is not ours: Qt's xcb
// platform, for one, calls exit(1) when the display connection breaks, and no destructor on the
// stack runs after that.
#pragma once

#include <functional>
#include <thread>

namespace platform {

class ExitHook {
  public:
    // `onExit` runs at exit() while this object lives, if exit() is called on the thread that made
    // it (another thread must not touch what `onExit` touches). One hook is active at a time: the
    // newest.
    explicit ExitHook(std::function<void()> onExit);
    ~ExitHook();
    ExitHook(const ExitHook&) = delete;
    ExitHook& operator=(const ExitHook&) = delete;

  private:
    static void runActive();

    std::function<void()> onExit_;
    std::thread::id thread_;
};

}  // namespace platform
