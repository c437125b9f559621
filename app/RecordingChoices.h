// The user's recording choices from the settings file, handed to the capture component: the
// stamps and the compressors, each compressor name checked against the catalogue once.
#pragma once

#include <string>
#include <vector>

#include "SettingsStore.h"

class TDirectShow;

namespace app {

// Sets ShowDate, AddTimeStr, CompressorName and AudioCompressorName of `capture`'s options. A
// compressor name the catalogue does not have is not set (the clip is recorded as without one)
// and a line naming it goes to `problems`.
void applyRecordingChoices(TDirectShow& capture, const StartupSettings& settings,
                           std::vector<std::string>& problems);

}  // namespace app
