// MediaRuntime: one-time GStreamer start and static plugin registration.
#include "MediaRuntime.h"

#include <csignal>
#include <mutex>

#include <gst/gst.h>

#include "VirtualDeviceProvider.h"

namespace platform::media {
namespace {
std::mutex g_mutex;
bool g_ok = false;        // guarded by g_mutex
bool g_failTest = false;  // guarded by g_mutex
}  // namespace

bool MediaRuntime::initialise() {
    std::lock_guard lock(g_mutex);
    if (g_failTest) {
        return false;
    }
    if (g_ok) {
        return true;
    }
    GError* error = nullptr;
    if (gst_init_check(nullptr, nullptr, &error) == FALSE) {
        g_clear_error(&error);
        return false;
    }
    // A file-size limit must come back from write() as EFBIG (reported as the file-limit abort),
    // not end the process with SIGXFSZ.
    std::signal(SIGXFSZ, SIG_IGN);
    g_ok = VirtualDeviceProvider::registerPlugin();
    return g_ok;
}

bool MediaRuntime::initialised() {
    std::lock_guard lock(g_mutex);
    return g_ok && !g_failTest;
}

void MediaRuntime::setFailForTest(bool fail) {
    std::lock_guard lock(g_mutex);
    g_failTest = fail;
}

}  // namespace platform::media
