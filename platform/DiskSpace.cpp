// statvfs-backed free-space query.
#include "DiskSpace.h"

#include <sys/statvfs.h>

namespace platform {

std::optional<uint64_t> statvfsFreeBytes(const std::string& path) {
    struct statvfs st {};
    if (::statvfs(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(st.f_bfree) * static_cast<uint64_t>(st.f_frsize);
}

bool HasFreeDiskSpace(const std::string& path, const FreeSpaceSource& source) {
    if (!source) {
        return false;
    }
    const std::optional<uint64_t> freeBytes = source(path);
    return freeBytes && *freeBytes > kMinFreeBytes;
}

}  // namespace platform
