// A camera model's remembered values over the registry-shaped settings key.
#include "RememberedCameraSettings.h"

#include "platform/RegistryKey.h"

namespace app {

using platform::kErrorSuccess;
using platform::RegistryKey;
using platform::RegRoot;

RememberedCameraSettings::RememberedCameraSettings(const std::string& settingsKey,
                                                   const std::string& model)
    : path_(model.empty() ? std::string() : settingsKey + "\\" + kGroup + "\\" + model) {}

std::vector<StoredControlValue> RememberedCameraSettings::load() const {
    std::vector<StoredControlValue> values;
    RegistryKey key;
    if (path_.empty() || key.open(RegRoot::CurrentUser, path_) != kErrorSuccess) {
        return values;
    }
    std::string name;
    std::string text;
    for (uint32_t i = 0; key.enumValue(i, name, text) == kErrorSuccess; ++i) {
        if (std::optional<std::string> label = labelOf(name)) {
            values.push_back({std::move(*label), text});
        }
    }
    return values;
}

void RememberedCameraSettings::remember(const std::string& label, int value) const {
    remember(std::vector<ControlSetting>{{label, value}});
}

void RememberedCameraSettings::remember(const std::vector<ControlSetting>& values) const {
    RegistryKey key;
    if (path_.empty() || values.empty() ||
        key.open(RegRoot::CurrentUser, path_, /*create=*/true) != kErrorSuccess) {
        return;
    }
    for (const ControlSetting& v : values) {
        const std::string name = valueNameOf(v.label);
        if (!name.empty()) {
            key.setString(name, std::to_string(v.value));
        }
    }
    key.close();
}

void RememberedCameraSettings::forget() const {
    RegistryKey key;
    if (path_.empty() || key.open(RegRoot::CurrentUser, path_) != kErrorSuccess) {
        return;
    }
    for (const std::string& name : key.valueNames()) {
        key.deleteValue(name);
    }
    key.close();
}

}  // namespace app
