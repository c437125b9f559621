// What is remembered of a camera's settings: the key of its model, the names its values are
// stored under, and which stored values go back to the camera in which order. Free of Qt, so
// the rules are tested as tables.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/media/CameraControls.h"

namespace app {

// Where a camera's controls are read from and where a change goes.
struct CameraAccess {
    std::function<std::vector<platform::media::CameraControl>()> list;
    std::function<bool(const std::string& label, int value)> set;
};

// One remembered value as the settings file holds it.
struct StoredControlValue {
    std::string label;
    std::string text;
};

struct ControlSetting {
    std::string label;
    int value = 0;
    bool operator==(const ControlSetting&) const = default;
};

// Modes (menus and switches) go first: an automatic mode decides whether the manual value it
// governs may be set at all. Values (integers) follow, checked against the controls as they are
// after the modes.
enum class ApplyStage { Modes, Values };

// The settings group of a camera model: vendor and product id and the device name, which tells
// apart models that share ids. `displayName` carries the ids as "vid_xxxx&pid_yyyy" (USB
// cameras) or not at all. Empty when there is nothing to know the camera by.
std::string cameraModelKey(std::string_view displayName, std::string_view deviceName);

// A control label as a value name that the settings file keeps exactly (its format splits names
// at '/' and stores text, not bytes), and back; empty / nullopt for what the other never makes.
std::string valueNameOf(std::string_view label);
std::optional<std::string> labelOf(std::string_view valueName);

// The stored values that `controls` take in `stage`, in the camera's order. Skipped: a control
// that is gone, disabled, of the other stage or a button; text that is not a whole number; a
// value outside the range or not among a menu's items (never fitted into another setting); a
// value the control already has.
std::vector<ControlSetting> settingsToApply(
    const std::vector<platform::media::CameraControl>& controls,
    const std::vector<StoredControlValue>& stored, ApplyStage stage);

// Sets the stored values on the camera, modes first; how many the camera took.
int applyStoredSettings(const CameraAccess& camera, const std::vector<StoredControlValue>& stored);

// Sets every control back to the camera's own default: values while their mode still lets them
// change, then the modes, then the values a mode has just unlocked.
void restoreCameraDefaults(const CameraAccess& camera);

}  // namespace app
