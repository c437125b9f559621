// The values a user set in the camera settings dialog, kept in the settings file per camera
// model: the group "CameraSettings\<model>" below the program's key, one value per control.
#pragma once

#include <string>
#include <vector>

#include "CameraSettingsMemory.h"

namespace app {

class RememberedCameraSettings {
  public:
    // `model` from cameraModelKey(); an empty one remembers nothing.
    RememberedCameraSettings(const std::string& settingsKey, const std::string& model);

    // The stored values; a group that does not exist, or a file that does not open, holds none.
    std::vector<StoredControlValue> load() const;
    // Failures to write are not reported: the setting still holds until the camera goes.
    void remember(const std::string& label, int value) const;
    // Several values with one write of the file.
    void remember(const std::vector<ControlSetting>& values) const;
    // Removes every stored value of the model.
    void forget() const;

    static constexpr const char* kGroup = "CameraSettings";

  private:
    std::string path_;  // the model's key, empty when there is no model
};

}  // namespace app
