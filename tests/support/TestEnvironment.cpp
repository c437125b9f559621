// Private per-process test environment under a fresh temporary directory.
#include "support/TestEnvironment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

// Sanitizer defaults for every test binary; children started by tests inherit LSAN_OPTIONS.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=1:strict_string_checks=1";
}
extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1";
}
// ThreadSanitizer: GLib, GStreamer and Qt are not instrumented and hand objects between threads
// under futex locks TSan cannot see, so their own accesses are not reported; our accesses still
// are, and our hand-offs through them are annotated (platform/TsanAnnotations.h).
extern "C" const char* __tsan_default_options() {
    return "suppressions=" PEEKBOX_SOURCE_DIR
           "/tests/tsan.supp:second_deadlock_stack=1:ignore_noninstrumented_modules=1";
}
extern "C" const char* __lsan_default_options() {
    return "suppressions=" PEEKBOX_SOURCE_DIR "/tests/lsan.supp:print_suppressions=0";
}

namespace testenv {
namespace {
std::string g_root;

void mk(const std::string& p) {
    std::filesystem::create_directories(p);
}
}  // namespace

void setUp() {
    if (!g_root.empty()) {
        return;
    }
    const char* base = std::getenv("PEEKBOX_TEST_TMP");
    std::string tmpl = std::string(base != nullptr ? base : "/tmp") + "/peekbox-test-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    g_root = tmpl;
    mk(configHome());
    mk(defaultProfile());
    mk(runtimeDir());
    ::chmod(runtimeDir().c_str(), 0700);
    mk(tempDir());
    mk(picturesDir());
    mk(videosDir());
    mk(g_root + "/cache");
    mk(g_root + "/data");
    ::setenv("HOME", (g_root + "/home").c_str(), 1);
    mk(g_root + "/home");
    ::setenv("XDG_CONFIG_HOME", configHome().c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", defaultProfile().c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (g_root + "/cache").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (g_root + "/data").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", runtimeDir().c_str(), 1);
    ::setenv("TMPDIR", tempDir().c_str(), 1);
    ::setenv("LANG", "en_US.UTF-8", 1);
    ::unsetenv("LANGUAGE");
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::unsetenv("TARNWICK_VIRTUAL_DEVICES");
    // Nothing a test starts reaches the desktop of the person running the tests.
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::setenv("PEEKBOX_BUILD_DIR", PEEKBOX_BUILD_DIR, 1);
    ::setenv("PEEKBOX_SOURCE_DIR", PEEKBOX_SOURCE_DIR, 1);
    ::setenv("LSAN_OPTIONS",
             "suppressions=" PEEKBOX_SOURCE_DIR "/tests/lsan.supp:print_suppressions=0", 1);
    // One plugin registry for all test processes, so that each does not rescan the plugins.
    ::setenv("GST_REGISTRY", PEEKBOX_BUILD_DIR "/gst-registry.bin", 1);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    writeFile(configHome() + "/user-dirs.dirs", "XDG_PICTURES_DIR=\"" + picturesDir() +
                                                    "\"\nXDG_VIDEOS_DIR=\"" + videosDir() + "\"\n");
}

const std::string& root() {
    return g_root;
}
std::string configHome() {
    return g_root + "/config";
}
std::string defaultProfile() {
    return g_root + "/etc-xdg";
}
std::string runtimeDir() {
    return g_root + "/run";
}
std::string tempDir() {
    return g_root + "/tmp";
}
std::string picturesDir() {
    return g_root + "/Pictures";
}
std::string videosDir() {
    return g_root + "/Videos";
}

void writeFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

void clearDir(const std::string& dir) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        std::filesystem::remove_all(e.path(), ec);
    }
}

}  // namespace testenv
