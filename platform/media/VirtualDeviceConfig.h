// The virtual-device configuration: parsing TARNWICK_VIRTUAL_DEVICES into device descriptions.
#pragma once

#include <string>
#include <vector>

namespace platform::media {

enum class VirtualKind { Camera, Microphone, Speaker };

struct VirtualDeviceDesc {
    VirtualKind kind = VirtualKind::Camera;
    std::string name;  // friendly name
    std::string vid;   // four lower-case hex digits, or empty
    std::string pid;
    std::string path;                  // explicit display name, replaces the one made from vid/pid
    std::vector<std::string> formats;  // "YUY2", "MJPG", "RGB24" in the order given
    bool busy = false;                 // builds, but running fails as a camera held elsewhere
    bool unbindable = false;           // binding the moniker fails
    bool fixedFormat = false;          // offers no stream configuration: delivers its first format
    int deliveredFps = 0;  // frames a second it really sends, fewer than its caps say; 0: all
};

class VirtualDeviceConfig {
  public:
    // Parses `kind:key=value,...;kind:...`. A malformed entry is skipped and described in
    // `problems`. A camera with neither vid/pid nor path gets defaultVid/defaultPid.
    static std::vector<VirtualDeviceDesc> parse(const std::string& text,
                                                const std::string& defaultVid,
                                                const std::string& defaultPid,
                                                std::vector<std::string>& problems);
    // One entry, as `add` at run time takes it.
    static bool parseOne(const std::string& entry, const std::string& defaultVid,
                         const std::string& defaultPid, VirtualDeviceDesc& out,
                         std::string& problem);

    // The display name of the serial-th virtual device of its kind (unique within the process).
    static std::string displayNameFor(const VirtualDeviceDesc& desc, int serial);
};

}  // namespace platform::media
