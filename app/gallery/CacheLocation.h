// Where the thumbnail cache file lives.
#pragma once

#include <string>

namespace gallery {

// `name` in the temporary folder `tempDir` (which ends with '/'), unless that name is taken by
// something this user cannot replace there: another user's file or link (a shared, sticky
// temporary folder lets only its owner replace it) or a folder, device or FIFO. Then `name` in
// `ownDir`, the user's own cache folder, which is created when missing.
std::string cacheFileLocation(const std::string& tempDir, const std::string& ownDir,
                              const std::string& name);

}  // namespace gallery
