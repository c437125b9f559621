// Wildcard file search: the names, sizes and last-write times of the files in one folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct FoundFile {
    std::string name;  // bytes as the file system holds them (may be invalid UTF-8)
    uint64_t size = 0;
    uint64_t lastWrite = 0;  // 100 ns units since 1601-01-01 UTC, like a FILETIME
};

// Regular files of `folder` (no recursion) whose names match `pattern`, case-insensitively;
// `*` matches any run of characters and `?` exactly one. Order is the folder's own.
std::vector<FoundFile> findFiles(const std::string& folder, const std::string& pattern);

bool wildcardMatch(const std::string& pattern, const std::string& name);

uint64_t fileTimeFromUnix(int64_t seconds, int64_t nanoseconds);

}  // namespace platform
