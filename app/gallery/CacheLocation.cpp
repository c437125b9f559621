// Choice of the cache file's folder; see CacheLocation.h.
#include "app/gallery/CacheLocation.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/UserDirs.h"

namespace gallery {

std::string cacheFileLocation(const std::string& tempDir, const std::string& ownDir,
                              const std::string& name) {
    const std::string shared = tempDir + name;
    struct stat st {};
    if (::lstat(shared.c_str(), &st) != 0 ||
        ((S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) && st.st_uid == ::geteuid())) {
        return shared;
    }
    platform::makePrivateDirs(ownDir);
    return ownDir + "/" + name;
}

}  // namespace gallery
