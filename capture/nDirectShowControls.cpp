// TDirectShow: the bound camera's picture controls, for the camera settings dialog.
#include "nDirectShow.h"

std::vector<platform::media::CameraControl> TDirectShow::CameraControls() const {
    if (!FDeviceEnable || FFileMode) {
        return {};
    }
    return platform::media::CameraControls::list(FVideoSource.element());
}

bool TDirectShow::SetCameraControl(const std::string& label, int value) {
    if (!FDeviceEnable || FFileMode) {
        return false;
    }
    return platform::media::CameraControls::set(FVideoSource.element(), label, value);
}
