// TMainForm: the end of a start without a usable camera, said where both a terminal and a
// desktop user see it.
#include <cstdio>
#include <string>
#include <vector>

#include "Main.h"
#include "NoCameraNotice.h"
#include "NoCameraReport.h"
#include "platform/RegistryKey.h"

void TMainForm::reportNoCamera() {
    const std::vector<app::SeenCamera> seen = app::attachedCameras();
    for (const std::string& line : app::noCameraLines(seen, cameraRows_)) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    if (!services_.notify) {
        return;
    }
    app::CameraRowTarget target;
    if (edition_.settingsCameraRows) {
        target.settingsFile = platform::RegistryKey::filePathFor(platform::RegRoot::CurrentUser,
                                                                 edition_.settingsKey);
        for (const auto& [key, text] : settings_.readGroup("SupportedCameras")) {
            target.keysInGroup.push_back(key);
        }
    }
    services_.notify(app::noCameraNotice(edition_, seen, cameraRows_, target));
}
