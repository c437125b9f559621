// Directory listing with fnmatch, stat sizes and FILETIME-style timestamps.
#include "FileSearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace platform {

namespace {
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;  // 1970-01-01 in 100 ns since 1601

struct DirCloser {
    void operator()(DIR* d) const {
        if (d != nullptr) {
            ::closedir(d);
        }
    }
};
}  // namespace

uint64_t fileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
    const int64_t t = seconds * 10000000LL + nanoseconds / 100 + kUnixEpochAsFileTime;
    return t < 0 ? 0 : static_cast<uint64_t>(t);
}

bool wildcardMatch(const std::string& pattern, const std::string& name) {
    // FNM_NOESCAPE: a backslash in a pattern is an ordinary character, as in file names here.
    return ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE | FNM_PERIOD) == 0;
}

std::vector<FoundFile> findFiles(const std::string& folder, const std::string& pattern) {
    std::vector<FoundFile> found;
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return found;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(dirFd));
    if (!dir) {
        ::close(dirFd);
        return found;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !wildcardMatch(pattern, name)) {
            continue;
        }
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        found.push_back({name, static_cast<uint64_t>(st.st_size),
                         fileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec)});
    }
    return found;
}

}  // namespace platform
