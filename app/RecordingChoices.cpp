// Recording choices: stamps as read, compressor names only when the catalogue knows them.
#include "RecordingChoices.h"

#include <initializer_list>

#include "capture/nDirectShow.h"

namespace app {
namespace {

// Names the recording build handles itself and never looks up in the catalogue.
bool componentName(int32_t kind, const std::string& name) {
    if (kind == 0) {
        return name == "WMV";
    }
    for (const char* special : {"WMA", "WAV", "No Compress"}) {
        if (name == special) {
            return true;
        }
    }
    return false;
}

// Stores `name` in the option of `kind` when the component would find it at a build.
void chooseCompressor(TDirectShow& capture, int32_t kind, const std::string& name,
                      const char* valueName, std::vector<std::string>& problems) {
    CaptureOptions& options = capture.options();
    std::string& option = kind == 0 ? options.CompressorName : options.AudioCompressorName;
    option = name;
    if (name.empty() || componentName(kind, name)) {
        return;
    }
    platform::media::Filter found;
    capture.GetCompressor(found, kind);  // the lookup a recording build makes
    if (!found) {
        option.clear();
        problems.push_back(std::string("[General] ") + valueName + ": \"" + name +
                           "\" is not a compressor of this system; clips are recorded without one");
    }
}

}  // namespace

void applyRecordingChoices(TDirectShow& capture, const StartupSettings& settings,
                           std::vector<std::string>& problems) {
    capture.options().ShowDate = settings.showDate;
    capture.options().AddTimeStr = settings.addTimeStr;
    chooseCompressor(capture, 0, settings.compressorName, "CompressorName", problems);
    chooseCompressor(capture, 1, settings.audioCompressorName, "AudioCompressorName", problems);
}

}  // namespace app
