// Model keys, value names and the order in which remembered values return to a camera.
#include "CameraSettingsMemory.h"

#include "SupportedCameraRows.h"

#include <algorithm>
#include <charconv>

using platform::media::CameraControl;
using platform::media::CameraControlKind;

namespace app {
namespace {

constexpr char kHex[] = "0123456789abcdef";

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return (c | 0x20) - 'a' + 10;
}

// A group name is a path component of the settings key: no separators, no control characters.
std::string groupSafe(std::string_view name) {
    std::string out;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        out.push_back(c == '\\' || c == '/' || u < 0x20 || u == 0x7f ? '_' : c);
    }
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

bool inStage(CameraControlKind kind, ApplyStage stage) {
    switch (kind) {
        case CameraControlKind::Boolean:
        case CameraControlKind::Menu:
            return stage == ApplyStage::Modes;
        case CameraControlKind::Integer:
            return stage == ApplyStage::Values;
        case CameraControlKind::Button:
            return false;  // an action, not a setting
    }
    return false;
}

bool accepts(const CameraControl& c, int value) {
    if (value < c.minimum || value > c.maximum) {
        return false;
    }
    return c.kind != CameraControlKind::Menu ||
           std::any_of(
               c.menu.begin(), c.menu.end(),
               [value](const platform::media::CameraMenuItem& i) { return i.value == value; });
}

int applyStage(const CameraAccess& camera, const std::vector<StoredControlValue>& stored,
               ApplyStage stage) {
    int taken = 0;
    for (const ControlSetting& s : settingsToApply(camera.list(), stored, stage)) {
        taken += camera.set(s.label, s.value) ? 1 : 0;
    }
    return taken;
}

}  // namespace

std::string cameraModelKey(std::string_view displayName, std::string_view deviceName) {
    const std::string vid = usbIdIn(displayName, "vid_");
    const std::string pid = usbIdIn(displayName, "pid_");
    std::string key = !vid.empty() && !pid.empty() ? vid + "-" + pid : std::string();
    const std::string name = groupSafe(deviceName);
    if (!name.empty()) {
        key += (key.empty() ? "" : " ") + name;
    }
    return key == "." || key == ".." ? std::string() : key;
}

std::string valueNameOf(std::string_view label) {
    std::string out;
    for (char c : label) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '%' || c == '/' || u < 0x20 || u >= 0x7f) {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> labelOf(std::string_view valueName) {
    std::string out;
    for (size_t i = 0; i < valueName.size(); ++i) {
        if (valueName[i] != '%') {
            out += valueName[i];
            continue;
        }
        if (i + 2 >= valueName.size() || !isHexDigit(valueName[i + 1]) ||
            !isHexDigit(valueName[i + 2])) {
            return std::nullopt;
        }
        out += static_cast<char>(hexValue(valueName[i + 1]) * 16 + hexValue(valueName[i + 2]));
        i += 2;
    }
    if (out.empty()) {
        return std::nullopt;
    }
    return out;
}

std::vector<ControlSetting> settingsToApply(const std::vector<CameraControl>& controls,
                                            const std::vector<StoredControlValue>& stored,
                                            ApplyStage stage) {
    std::vector<ControlSetting> out;
    for (const CameraControl& c : controls) {
        if (!c.enabled || !inStage(c.kind, stage)) {
            continue;
        }
        const auto it =
            std::find_if(stored.begin(), stored.end(),
                         [&](const StoredControlValue& s) { return s.label == c.label; });
        if (it == stored.end()) {
            continue;
        }
        const std::optional<int> value = wholeNumber(it->text);
        if (value && accepts(c, *value) && *value != c.value) {
            out.push_back({c.label, *value});
        }
    }
    return out;
}

int applyStoredSettings(const CameraAccess& camera, const std::vector<StoredControlValue>& stored) {
    if (stored.empty()) {
        return 0;
    }
    const int modes = applyStage(camera, stored, ApplyStage::Modes);
    return modes + applyStage(camera, stored, ApplyStage::Values);
}

void restoreCameraDefaults(const CameraAccess& camera) {
    std::vector<StoredControlValue> defaults;
    for (const CameraControl& c : camera.list()) {
        defaults.push_back({c.label, std::to_string(c.defaultValue)});
    }
    applyStage(camera, defaults, ApplyStage::Values);
    applyStage(camera, defaults, ApplyStage::Modes);
    applyStage(camera, defaults, ApplyStage::Values);
}

}  // namespace app
