// The no-camera notification's texts.
#include "NoCameraNotice.h"

#include <algorithm>

#include "editions/Edition.h"

namespace app {

std::vector<std::string> rowsToAdd(const std::vector<SeenCamera>& seen,
                                   const std::vector<CameraRow>& rows,
                                   const std::vector<std::string>& keysInGroup) {
    std::vector<std::string> ids;  // "vvvv pppp" of each model, once
    for (const SeenCamera& camera : seen) {
        if (inTable(camera, rows)) {
            continue;
        }
        const CameraRow row{usbIdIn(camera.displayName, "vid_"),
                            usbIdIn(camera.displayName, "pid_")};
        // Only a row that the device search would match: not for ids spelled otherwise.
        if (row.vid.empty() || row.pid.empty() || !inTable(camera, {row})) {
            continue;
        }
        const std::string id = row.vid + " " + row.pid;
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
            ids.push_back(id);
        }
    }
    // A key the group has already would replace that row instead of adding one.
    std::vector<std::string> lines;
    int key = 0;
    for (const std::string& id : ids) {
        do {
            ++key;
        } while (std::find(keysInGroup.begin(), keysInGroup.end(), std::to_string(key)) !=
                 keysInGroup.end());
        lines.push_back(std::to_string(key) + "=" + id + " 4:3 YUY2 1");
    }
    return lines;
}

platform::DesktopNotification noCameraNotice(const editions::Edition& edition,
                                             const std::vector<SeenCamera>& seen,
                                             const std::vector<CameraRow>& rows,
                                             const CameraRowTarget& target) {
    const std::string title = edition.applicationTitle;
    std::string body;
    for (const std::string& line : noCameraLines(seen, rows)) {
        body += line + "\n";
    }
    const bool foreign = std::any_of(seen.begin(), seen.end(),
                                     [&](const SeenCamera& c) { return !inTable(c, rows); });
    const bool held = std::any_of(seen.begin(), seen.end(),
                                  [&](const SeenCamera& c) { return inTable(c, rows); });
    if (seen.empty()) {
        body += "Connect a camera and start " + title + " again.\n";
    }
    if (held) {
        body += "If another program is using the camera, close that program and start " + title +
                " again.\n";
    }
    if (foreign && edition.foreignCameraNote != nullptr) {
        body += std::string(edition.foreignCameraNote) + "\n";
    } else if (foreign) {
        const std::vector<std::string> add = rowsToAdd(seen, rows, target.keysInGroup);
        if (!add.empty()) {
            body += (add.size() == 1 ? "To try it, add this row" : "To try them, add these rows");
            body += " to the [SupportedCameras] group of " + target.settingsFile + ":\n";
            for (const std::string& row : add) {
                body += row + "\n";
            }
        }
    }
    body.pop_back();  // the last line's '\n'
    return {title, edition.desktopFileName, title + " found no camera it can use", body};
}

}  // namespace app
