// Resolution of the per-user run-time, cache and temporary folders from the XDG variables.
#include "UserDirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

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

std::vector<std::string> dataDirs() {
    const std::string home = env("XDG_DATA_HOME");
    std::vector<std::string> dirs{!home.empty() && home[0] == '/' ? home
                                                                  : homeDir() + "/.local/share"};
    const std::string system = env("XDG_DATA_DIRS");
    if (system.empty()) {
        dirs.insert(dirs.end(), {"/usr/local/share", "/usr/share"});
        return dirs;
    }
    const std::vector<std::string> listed = absoluteDirList(system);
    dirs.insert(dirs.end(), listed.begin(), listed.end());
    return dirs;
}

}  // namespace

std::vector<std::string> absoluteDirList(const std::string& list) {
    std::vector<std::string> dirs;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(':', start), list.size());
        const std::string dir = list.substr(start, end - start);
        if (!dir.empty() && dir[0] == '/') {
            dirs.push_back(dir);
        }
        start = end + 1;
    }
    return dirs;
}

std::string locateDataFile(const std::string& relative) {
    for (const std::string& dir : dataDirs()) {
        const std::string path = stripTrailingSlashes(dir) + "/" + relative;
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) {
            return path;
        }
    }
    return {};
}

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
