// Resolution of the per-user run-time, cache and temporary folders from the XDG variables.
#include "UserDirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {
namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

std::string homeDir() {
    std::string home = env("HOME");
    if (!home.empty()) {
        return home;
    }
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return ".";
}

std::string stripTrailingSlashes(std::string s) {
    while (s.size() > 1 && s.back() == '/') {
        s.pop_back();
    }
    return s;
}

}  // namespace

bool makePrivateDirs(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') {
            continue;
        }
        const std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string cacheHome() {
    const std::string xdg = env("XDG_CACHE_HOME");
    return stripTrailingSlashes(!xdg.empty() && xdg[0] == '/' ? xdg : homeDir() + "/.cache");
}

std::string runtimeDir() {
    std::string dir = env("XDG_RUNTIME_DIR");
    if (dir.empty() || dir[0] != '/') {
        dir = cacheHome();
    }
    dir = stripTrailingSlashes(dir);
    makePrivateDirs(dir);
    return dir;
}

std::string tempDir() {
    std::string dir = env("TMPDIR");
    if (dir.empty()) {
        dir = cacheHome();
    }
    dir = stripTrailingSlashes(dir);
    makePrivateDirs(dir);
    return dir == "/" ? dir : dir + "/";
}

}  // namespace platform
