// Private per-process test environment under a fresh temporary directory.
#include "support/TestEnvironment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testenv {
namespace {
std::string g_root;

void mk(const std::string& p) { std::filesystem::create_directories(p); }
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
    writeFile(configHome() + "/user-dirs.dirs",
              "XDG_PICTURES_DIR=\"" + picturesDir() + "\"\nXDG_VIDEOS_DIR=\"" + videosDir() + "\"\n");
}

const std::string& root() { return g_root; }
std::string configHome() { return g_root + "/config"; }
std::string defaultProfile() { return g_root + "/etc-xdg"; }
std::string runtimeDir() { return g_root + "/run"; }
std::string tempDir() { return g_root + "/tmp"; }
std::string picturesDir() { return g_root + "/Pictures"; }
std::string videosDir() { return g_root + "/Videos"; }

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

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

void clearDir(const std::string& dir) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        std::filesystem::remove_all(e.path(), ec);
    }
}

}  // namespace testenv
