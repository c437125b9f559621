// Per-user folders for run-time files and temporary files (never a shared /tmp), and the data
// folders installed files are found in.
#pragma once

#include <string>
#include <vector>

namespace platform {

// $XDG_RUNTIME_DIR when set, else $XDG_CACHE_HOME (or ~/.cache); created 0700 when missing.
// No trailing separator.
std::string runtimeDir();

// $TMPDIR when set, else $XDG_CACHE_HOME (or ~/.cache); created when missing. Ends with '/',
// as the platform's temporary-path query does.
std::string tempDir();

// $XDG_CACHE_HOME, or $HOME/.cache.
std::string cacheHome();

// The first existing file `relative` below $XDG_DATA_HOME (or ~/.local/share), then below each
// absolute folder of $XDG_DATA_DIRS (default /usr/local/share:/usr/share); empty when none.
std::string locateDataFile(const std::string& relative);

// The absolute folders of a colon-separated list (XDG_*_DIRS), in order; others are skipped.
std::vector<std::string> absoluteDirList(const std::string& list);

// Creates `path` and its parents with mode 0700 where they are missing.
bool makePrivateDirs(const std::string& path);

}  // namespace platform
