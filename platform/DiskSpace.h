// Free-space test for the volume that holds a path.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// Total free bytes on the volume of `path` (not the caller's quota), or nothing when unknown.
using FreeSpaceSource = std::function<std::optional<uint64_t>(const std::string& path)>;

std::optional<uint64_t> statvfsFreeBytes(const std::string& path);

constexpr uint64_t kMinFreeBytes = 1048576;  // more than 1 MiB must be free

// True exactly when more than 1 MiB is free; an unknown answer counts as not enough.
bool HasFreeDiskSpace(const std::string& path, const FreeSpaceSource& source = statvfsFreeBytes);

}  // namespace platform
