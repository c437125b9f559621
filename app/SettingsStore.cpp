// Settings store over the registry-shaped settings key.
#include "SettingsStore.h"

#include "platform/RegistryKey.h"
#include "platform/Sleep.h"

namespace app {

using platform::kErrorFileNotFound;
using platform::kErrorSuccess;
using platform::RegistryKey;
using platform::RegRoot;

bool SettingsStore::openAtStartup() {
    RegistryKey key;
    int32_t rc = key.open(RegRoot::CurrentUser, key_);
    if (rc == kErrorSuccess) {
        return true;
    }
    if (rc != kErrorFileNotFound) {
        return false;
    }
    platform::copyDefaultProfileKey(key_);
    platform::sleepMs(kCopyWaitMs);
    rc = key.open(RegRoot::CurrentUser, key_);
    return rc == kErrorSuccess;
}

void SettingsStore::read(StartupSettings& settings) const {
    RegistryKey key;
    if (key.open(RegRoot::CurrentUser, key_) != kErrorSuccess) {
        return;
    }
    uint32_t value = 0;
    if (key.queryDword("HWOverlayDisable", value) == kErrorSuccess) {
        settings.overlayDisable = value != 0;
    }
    if (key.queryDword("Counter", value) == kErrorSuccess) {
        settings.counter = static_cast<int32_t>(value);
    }
    if (key.queryDword("Frequency", value) == kErrorSuccess) {
        settings.frequency = value;
    }
}

std::vector<std::pair<std::string, std::string>> SettingsStore::readGroup(
    const std::string& group) const {
    std::vector<std::pair<std::string, std::string>> values;
    RegistryKey key;
    const RegRoot root = key.open(RegRoot::CurrentUser, key_) == kErrorFileNotFound
                             ? RegRoot::DefaultUser
                             : RegRoot::CurrentUser;
    if (key.open(root, key_ + "\\" + group) != kErrorSuccess) {
        return values;
    }
    for (const std::string& name : key.valueNames()) {
        uint32_t size = 0;
        std::string text;
        if (key.queryString(name, nullptr, size) == platform::kErrorMoreData && size > 0) {
            text.resize(size);
            const bool read = key.queryString(name, text.data(), size) == kErrorSuccess;
            text.resize(read ? size - 1 : 0);
        }
        values.emplace_back(name, text);
    }
    return values;
}

void SettingsStore::write(const ShutdownSettings& settings) const {
    RegistryKey key;
    if (key.open(RegRoot::CurrentUser, key_) != kErrorSuccess) {
        return;
    }
    key.setDword("Top", static_cast<uint32_t>(settings.top));
    key.setDword("Left", static_cast<uint32_t>(settings.left));
    key.setDword("Counter", static_cast<uint32_t>(settings.counter));
    key.setDword("ImageWidth", static_cast<uint32_t>(settings.imageWidth));
    key.setDword("ImageHeight", static_cast<uint32_t>(settings.imageHeight));
    key.setDword("Frequency", settings.frequency);
    key.close();  // an unwritable file keeps its old contents: QSettings replaces it atomically
}

}  // namespace app
