// Per-user folders for run-time files and temporary files; never a shared /tmp.
#pragma once

#include <string>

namespace platform {

// $XDG_RUNTIME_DIR when set, else $XDG_CACHE_HOME (or ~/.cache); created 0700 when missing.
// No trailing separator.
std::string runtimeDir();

// $TMPDIR when set, else $XDG_CACHE_HOME (or ~/.cache); created when missing. Ends with '/',
// as the platform's temporary-path query does.
std::string tempDir();

// $XDG_CACHE_HOME, or $HOME/.cache.
std::string cacheHome();

// Creates `path` and its parents with mode 0700 where they are missing.
bool makePrivateDirs(const std::string& path);

}  // namespace platform
