// The no-camera report: the device listing and its lines.
#include "NoCameraReport.h"

#include <algorithm>

#include "platform/media/DeviceEnumerator.h"

namespace app {
namespace {

std::string ids(const std::string& displayName) {
    if (displayName.find("vid_") == std::string::npos &&
        displayName.find("pid_") == std::string::npos) {
        return "(no USB ids)";
    }
    // As the display name spells them: the line names what the system reported.
    auto id = [&](const char* marker) {
        const size_t at = displayName.find(marker);
        return at == std::string::npos ? std::string("????")
                                       : printable(displayName.substr(at + 4, 4));
    };
    return id("vid_") + ":" + id("pid_");
}

}  // namespace

bool inTable(const SeenCamera& camera, const std::vector<CameraRow>& rows) {
    return std::any_of(rows.begin(), rows.end(), [&](const CameraRow& row) {
        return camera.displayName.find("vid_" + row.vid + "&pid_" + row.pid) != std::string::npos;
    });
}

std::vector<std::string> noCameraLines(const std::vector<SeenCamera>& seen,
                                       const std::vector<CameraRow>& rows) {
    if (seen.empty()) {
        return {"no camera found"};
    }
    std::vector<std::string> lines;
    for (const SeenCamera& camera : seen) {
        const bool known = inTable(camera, rows);
        lines.push_back((camera.name.empty() ? "unnamed camera" : printable(camera.name)) + " " +
                        ids(camera.displayName) +
                        (known ? " is supported but could not be started"
                               : " is not in the supported camera list"));
    }
    return lines;
}

std::vector<SeenCamera> attachedCameras() {
    using namespace platform::media;
    std::vector<Moniker> devices;
    DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, devices);
    std::vector<SeenCamera> seen;
    for (const Moniker& m : devices) {
        SeenCamera camera{{}, m.displayName()};
        if (platform::failed(m.readFriendlyName(camera.name))) {
            camera.name.clear();
        }
        seen.push_back(std::move(camera));
    }
    return seen;
}

}  // namespace app
