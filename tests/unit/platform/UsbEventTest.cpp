// Kernel USB events to device notifications: only "add" arrives, only "remove" removes; the
// monitor's worker never spins on a failing poll.
#include <poll.h>

#include <atomic>
#include <cerrno>

#include <gtest/gtest.h>

#include "platform/UsbEvent.h"
#include "platform/UsbMonitor.h"
#include "support/Wait.h"

using platform::usbNotificationFor;
using platform::UsbUevent;

TEST(UsbEvent, OnlyAddArrivesAndOnlyRemoveRemoves) {
    const UsbUevent present{"", "1-1:1.0", "3a7b", "0b01", "3a7b/b01/100"};
    UsbUevent e = present;
    e.action = "add";
    auto n = usbNotificationFor(e);
    ASSERT_TRUE(n);
    EXPECT_TRUE(n->arrived);
    EXPECT_EQ(n->interfaceName, "\\\\?\\usb#vid_3a7b&pid_0b01#1-1:1.0");

    // Drivers binding to a second camera of the same model, power and property changes.
    for (const char* action : {"bind", "unbind", "change", "move", "online", "offline", ""}) {
        e.action = action;
        EXPECT_FALSE(usbNotificationFor(e)) << action;
    }

    // On removal the camera is gone from sysfs and the nearest USB device above the interface is
    // the hub it was plugged into (here the root hub): PRODUCT names the camera, zero-padded.
    for (const UsbUevent& removed : {UsbUevent{"remove", "1-1:1.0", "1d6b", "0002", "3a7b/b01/100"},
                                     UsbUevent{"remove", "1-1:1.0", "", "", "3a7b/b01/100"}}) {
        n = usbNotificationFor(removed);
        ASSERT_TRUE(n);
        EXPECT_FALSE(n->arrived);
        EXPECT_EQ(n->interfaceName, "\\\\?\\usb#vid_3a7b&pid_0b01#1-1:1.0") << removed.idVendor;
    }
    // Without PRODUCT the attributes still name the device.
    n = usbNotificationFor({"add", "1-1:1.0", "3a7b", "0b01", ""});
    ASSERT_TRUE(n);
    EXPECT_EQ(n->interfaceName, "\\\\?\\usb#vid_3a7b&pid_0b01#1-1:1.0");
}

TEST(UsbEvent, AnEventThatNamesNoDeviceMakesNoNotification) {
    for (const char* product : {"", "3a7b", "3a7b/", "/b01/100", "3a7b//100"}) {
        EXPECT_FALSE(usbNotificationFor({"remove", "1-1:1.0", "", "", product})) << product;
    }
}

namespace {

// Interrupted once, then failing as a broken descriptor set would; later calls wait for real, so
// a worker that keeps polling can still be stopped.
std::atomic<int> g_polls{0};
int failingPoll(pollfd* fds, nfds_t n, int timeout) {
    switch (g_polls.fetch_add(1)) {
        case 0:
            errno = EINTR;
            return -1;
        case 1:
            errno = ENOMEM;
            return -1;
        default:
            return ::poll(fds, n, timeout);
    }
}

}  // namespace

TEST(UsbMonitor, RetriesAnInterruptedPollAndEndsOnAnyOtherFailure) {
    platform::UsbMonitor monitor(&failingPoll);
    if (!monitor.start([](bool, const std::string&) {})) {
        GTEST_SKIP() << "no udev here";
    }
    EXPECT_TRUE(testenv::waitUntil([&] { return !monitor.running(); }, 3000))
        << "the worker went on after poll failed";
    EXPECT_EQ(g_polls.load(), 2);
    monitor.stop();
}
