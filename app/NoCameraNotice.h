// The desktop notification of a start without a usable camera: the stderr lines, and what the
// user can do about each reason (connect a camera, free it, or add its row to the settings).
#pragma once

#include <string>
#include <vector>

#include "NoCameraReport.h"
#include "platform/DesktopNotification.h"

namespace editions {
struct Edition;
}

namespace app {

// Where a camera outside the table can be added.
struct CameraRowTarget {
    std::string settingsFile;              // the user's settings file
    std::vector<std::string> keysInGroup;  // keys its [SupportedCameras] group holds already
};

// The [SupportedCameras] lines ("key=VVVV PPPP 4:3 YUY2 1", README's example) that would add
// each camera outside the table, one per model, under keys the group does not use yet. A camera
// without USB ids, or with ids the device search would not match, gets none.
std::vector<std::string> rowsToAdd(const std::vector<SeenCamera>& seen,
                                   const std::vector<CameraRow>& rows,
                                   const std::vector<std::string>& keysInGroup);

// The notification for `edition`; `target` is read where the edition takes settings rows.
platform::DesktopNotification noCameraNotice(const editions::Edition& edition,
                                             const std::vector<SeenCamera>& seen,
                                             const std::vector<CameraRow>& rows,
                                             const CameraRowTarget& target);

}  // namespace app
