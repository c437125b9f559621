// Why the program ends without a preview: the cameras it saw, with their ids, and whether the
// supported-camera table knows them. Written to stderr and, for a start from the desktop's menu,
// into a desktop notification (NoCameraNotice), since the program ends without a window.
#pragma once

#include <string>
#include <vector>

#include "SupportedCameraRows.h"

namespace app {

struct SeenCamera {
    std::string name;         // the friendly name; may be empty
    std::string displayName;  // carries "vid_xxxx&pid_yyyy" for a USB camera
};

// The cameras attached now, in the device list's order (the order the component indexes).
std::vector<SeenCamera> attachedCameras();

// Whether a row of the table names the camera's ids.
bool inTable(const SeenCamera& camera, const std::vector<CameraRow>& rows);

// One line per camera, or one saying that there is none.
std::vector<std::string> noCameraLines(const std::vector<SeenCamera>& seen,
                                       const std::vector<CameraRow>& rows);

}  // namespace app
