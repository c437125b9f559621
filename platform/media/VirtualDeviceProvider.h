// The in-process provider of virtual cameras, microphones and speakers, configured by
// TARNWICK_VIRTUAL_DEVICES and changeable at run time (hot-plug).
//
// Threads: every function may be called from any thread; a mutex protects the device list.
// The hot-plug listener runs on the thread that adds or removes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gst/gst.h>

#include "GstRef.h"
#include "VirtualDeviceConfig.h"

namespace platform::media {

class VirtualDeviceProvider {
  public:
    static constexpr const char* kEnvironmentVariable = "TARNWICK_VIRTUAL_DEVICES";

    // Registers the provider as an in-process plugin (MediaRuntime does this once).
    static bool registerPlugin();

    // Ids given to a camera configured without vid/pid or path (the edition's first camera).
    static void setDefaultCameraIds(const std::string& vid, const std::string& pid);

    // Replaces every virtual device by the parsed text; malformed entries go to stderr.
    static void configure(const std::string& text);
    // configure() from the environment variable, done once before the first listing.
    static void configureFromEnvironmentOnce();

    // Hot-plug: adds one device (the syntax of one entry); its display name goes to displayName.
    static bool add(const std::string& entry, std::string* displayName = nullptr);
    // Hot-plug: removes the device with this display name; false when there is none.
    static bool remove(const std::string& displayName);

    // The present devices of one kind, in configuration order.
    static std::vector<GstRef<GstDevice>> devices(VirtualKind kind);
    static bool isVirtual(GstDevice* device);
    static std::string displayName(GstDevice* device);

    // Arrival (true) or removal of a device, with the device-interface name a USB device would
    // announce ("\\?\usb#vid_xxxx&pid_yyyy#...") or the display name for other kinds.
    using HotplugListener = std::function<void(bool arrived, const std::string& interfaceName)>;
    static void setHotplugListener(HotplugListener listener);
};

}  // namespace platform::media
