// The no-camera report: the device listing and its lines.
#include "NoCameraReport.h"

#include <algorithm>
#include <cstdio>

#include "platform/media/DeviceEnumerator.h"

namespace app {
namespace {

// The four characters after `marker`, as the camera search reads the ids; "????" without one.
std::string idAfter(const std::string& displayName, const char* marker) {
    const size_t at = displayName.find(marker);
    return at == std::string::npos ? "????" : printable(displayName.substr(at + 4, 4));
}

std::string ids(const std::string& displayName) {
    if (displayName.find("vid_") == std::string::npos &&
        displayName.find("pid_") == std::string::npos) {
        return "(no USB ids)";
    }
    return idAfter(displayName, "vid_") + ":" + idAfter(displayName, "pid_");
}

}  // namespace

std::vector<std::string> noCameraLines(const std::vector<SeenCamera>& seen,
                                       const std::vector<CameraRow>& rows) {
    if (seen.empty()) {
        return {"no camera found"};
    }
    std::vector<std::string> lines;
    for (const SeenCamera& camera : seen) {
        const bool known = std::any_of(rows.begin(), rows.end(), [&](const CameraRow& row) {
            return camera.displayName.find("vid_" + row.vid + "&pid_" + row.pid) !=
                   std::string::npos;
        });
        lines.push_back((camera.name.empty() ? "unnamed camera" : printable(camera.name)) + " " +
                        ids(camera.displayName) +
                        (known ? " is supported but could not be started"
                               : " is not in the supported camera list"));
    }
    return lines;
}

void reportNoCamera(const std::vector<CameraRow>& rows) {
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
    for (const std::string& line : noCameraLines(seen, rows)) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

}  // namespace app
