// USB hot-plug from the kernel through libudev: arrivals and removals of USB interfaces, named
// the way device notifications name them ("\\?\usb#vid_xxxx&pid_yyyy#...").
//
// Threads: a worker polls the udev monitor and an eventfd; the callback runs on that worker.
#pragma once

#include <poll.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/UsbEvent.h"

struct udev;
struct udev_monitor;

namespace platform {

class UsbMonitor {
  public:
    using Callback = std::function<void(bool arrived, const std::string& interfaceName)>;

    // How the worker waits on its descriptors; tests hand in one that fails.
    using PollFn = int (*)(pollfd*, nfds_t, int);

    explicit UsbMonitor(PollFn poll = ::poll) : poll_(poll) {}
    ~UsbMonitor();
    UsbMonitor(const UsbMonitor&) = delete;
    UsbMonitor& operator=(const UsbMonitor&) = delete;

    // False when udev cannot be reached (no monitor; the program runs without unplug events).
    bool start(Callback callback);
    void stop();
    // False once the worker has ended: after stop(), or by itself when polling failed.
    bool running() const { return polling_.load(std::memory_order_acquire); }

    // Reports one event through the callback when it makes a notification. The worker calls it
    // for every event it receives; tests hand it events of their own. The callback given to
    // start() stays set after a failed start.
    void deliver(const UsbUevent& event) const;

  private:
    void run();

    const PollFn poll_;
    Callback callback_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int wakeFd_ = -1;
    std::atomic<bool> polling_{false};  // set by start(), cleared by the worker as it ends
    std::thread thread_;
};

}  // namespace platform
