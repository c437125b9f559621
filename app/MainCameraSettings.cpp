// TMainForm: the remembered camera settings, given back to the camera whenever its preview
// starts.
#include <vector>

#include "CameraSettingsDialog.h"
#include "CameraSettingsMemory.h"
#include "Main.h"
#include "RememberedCameraSettings.h"
#include "capture/nDirectShow.h"
#include "platform/media/DeviceEnumerator.h"

namespace {

// The model of the camera at `index` of the device list, as the component found it there.
std::string cameraModelAt(int32_t index) {
    std::vector<platform::media::Moniker> devices;
    if (platform::media::DeviceEnumerator::createClassEnumerator(
            platform::media::DeviceCategory::VideoInput, devices) != platform::S_Ok ||
        index < 0 || static_cast<size_t>(index) >= devices.size()) {
        return {};
    }
    const platform::media::Moniker& device = devices[static_cast<size_t>(index)];
    std::string name;
    device.readFriendlyName(name);
    return app::cameraModelKey(device.displayName(), name);
}

}  // namespace

void TMainForm::applyRememberedCameraSettings() {
    cameraModel_ = cameraModelAt(DirectShow1_->options().VideoDevice);
    const std::vector<app::StoredControlValue> stored =
        app::RememberedCameraSettings(edition_.settingsKey, cameraModel_).load();
    app::applyStoredSettings(CameraSettingsDialog::sourceOf(*DirectShow1_), stored);
}
