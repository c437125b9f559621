// TMainForm: the remembered camera settings, given back to the camera whenever its preview
// starts.
#include <vector>

#include "CameraSettingsDialog.h"
#include "CameraSettingsMemory.h"
#include "Main.h"
#include "RememberedCameraSettings.h"
#include "capture/nDirectShow.h"
#include "NoCameraReport.h"

namespace {

// The model of the camera at `index` of the device list, as the component found it there.
std::string cameraModelAt(int32_t index) {
    const std::vector<app::SeenCamera> cameras = app::attachedCameras();
    if (index < 0 || static_cast<size_t>(index) >= cameras.size()) {
        return {};
    }
    const app::SeenCamera& camera = cameras[static_cast<size_t>(index)];
    return app::cameraModelKey(camera.displayName, camera.name);
}

}  // namespace

void TMainForm::applyRememberedCameraSettings() {
    cameraSettings_.flush();  // what was just changed is what the camera gets back
    cameraModel_ = cameraModelAt(DirectShow1_->options().VideoDevice);
    const std::vector<app::StoredControlValue> stored =
        app::RememberedCameraSettings(edition_.settingsKey, cameraModel_).load();
    app::applyStoredSettings(CameraSettingsDialog::sourceOf(*DirectShow1_), stored);
}
