// "--help" and "--version": answered before the program takes its lock, opens a window or reads
// its settings.
#pragma once

#include <cstdio>
#include <optional>

namespace editions {
struct Edition;
}

namespace app {

// When an argument asks for help or the version, writes the answer to `out` and gives the exit
// code (0, or 1 when the answer could not be written); otherwise nothing happens.
std::optional<int> answerHelpOrVersion(const editions::Edition& edition, int argc,
                                       const char* const* argv, std::FILE* out);

}  // namespace app
