// Clip numbering and the recording caption.
#include "RecordingControl.h"

#include <cstdio>

#include "platform/RegistryKey.h"

namespace app {

int32_t takeClipNumber(const std::string& settingsKey) {
    platform::RegistryKey key;
    if (key.open(platform::RegRoot::CurrentUser, settingsKey) != platform::kErrorSuccess) {
        return 1;
    }
    uint32_t stored = 0;
    if (key.queryDword("AviCounter", stored) != platform::kErrorSuccess) {
        stored = 0;
    }
    if (stored >= 9999) {
        stored = 0;
    }
    const uint32_t number = stored + 1;
    key.setDword("AviCounter", number);
    key.close();
    return static_cast<int32_t>(number);
}

void giveClipNumberBack(const std::string& settingsKey, int32_t number) {
    platform::RegistryKey key;
    if (key.open(platform::RegRoot::CurrentUser, settingsKey) == platform::kErrorSuccess) {
        key.setDword("AviCounter", static_cast<uint32_t>(number - 1));
        key.close();
    }
}

std::optional<std::string> clipPathFor(const std::string& videoFolder, int32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "/Movie%04d.avi", number);
    std::string path = videoFolder + name;
    // Characters, not bytes: a UTF-8 continuation byte does not start a character.
    size_t chars = 0;
    for (unsigned char c : path) {
        chars += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    if (chars + 1 > kClipPathChars) {
        return std::nullopt;
    }
    return path;
}

std::string recordingCaption(const std::string& title, uint32_t elapsedMs) {
    const uint32_t elapsed = (elapsedMs + 500u) / 1000u;
    char time[16];
    std::snprintf(time, sizeof time, "%02u:%02u:%02u", (elapsed / 3600u) % 24u,
                  (elapsed / 60u) % 60u, elapsed % 60u);
    return title + " - " + time;
}

}  // namespace app
