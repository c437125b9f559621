// UsbPlaceOfDevice: udev-based providers (v4l2 with udev, PulseAudio, PipeWire) name the sysfs
// directory; v4l2 without udev gives only its node, ALSA only its card number and, for a USB
// card, the ids among its components.
#include "UsbPlaceOfDevice.h"

#include <cctype>
#include <filesystem>
#include <fstream>

namespace platform::media {
namespace {

namespace fs = std::filesystem;

std::string text(const GstStructure* props, const char* key) {
    const gchar* v = gst_structure_get_string(props, key);
    return v != nullptr ? v : "";
}

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// ALSA gives the card as a number; the PulseAudio protocol turns every property into text.
std::string cardNumber(const GstStructure* props) {
    for (const char* key : {"alsa.card", "api.alsa.card"}) {
        int n = -1;
        if (gst_structure_get_int(props, key, &n) && n >= 0) {
            return std::to_string(n);
        }
        const std::string s = text(props, key);
        if (!s.empty() && s.find_first_not_of("0123456789") == std::string::npos) {
            return s;
        }
    }
    return {};
}

// The sysfs directories the properties lead to, most direct first.
std::vector<std::string> sysfsDirectories(const GstStructure* props, const std::string& sysfs) {
    std::vector<std::string> dirs;
    // udev gives "/sys/devices/..." (GUdev) or "/devices/..." (PulseAudio, PipeWire).
    if (std::string path = text(props, "sysfs.path"); !path.empty()) {
        dirs.push_back(path.rfind(sysfs + "/", 0) == 0 ? path : sysfs + path);
    }
    if (const std::string node = text(props, "device.path"); node.rfind("/dev/video", 0) == 0) {
        dirs.push_back(sysfs + "/class/video4linux/" + node.substr(5) + "/device");
    }
    if (const std::string card = cardNumber(props); !card.empty()) {
        dirs.push_back(sysfs + "/class/sound/card" + card + "/device");
    }
    return dirs;
}

// snd-usb-audio names the device's ids among the card's components: "USB3a7b:0b01".
void idsFromAlsaComponents(const std::string& components, std::string& vid, std::string& pid) {
    for (size_t at = components.find("USB"); at != std::string::npos;
         at = components.find("USB", at + 3)) {
        if (components.size() >= at + 12 && components[at + 7] == ':') {
            vid = usbIdText(components.substr(at + 3, 4));
            pid = usbIdText(components.substr(at + 8, 4));
            if (!vid.empty() && !pid.empty()) {
                return;
            }
        }
    }
    vid.clear();
    pid.clear();
}

}  // namespace

std::string usbIdText(std::string id) {
    if (id.rfind("0x", 0) == 0 || id.rfind("0X", 0) == 0) {
        id = id.substr(2);
    }
    for (char& c : id) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const bool hex = id.find_first_not_of("0123456789abcdef") == std::string::npos;
    return id.size() == 4 && hex ? id : std::string();
}

UsbPlace usbDeviceAbove(const std::string& directory) {
    std::error_code ec;
    fs::path dir = fs::canonical(directory, ec);
    // An interface's directory has no ids; its USB device is its parent. Root hubs have ids too,
    // but a device below one is met first.
    for (int depth = 0; !ec && depth < 8 && dir.has_relative_path(); ++depth) {
        if (fs::exists(dir / "idVendor", ec) && fs::exists(dir / "idProduct", ec)) {
            return {dir.string(), usbIdText(firstLine(dir / "idVendor")),
                    usbIdText(firstLine(dir / "idProduct"))};
        }
        dir = dir.parent_path();
    }
    return {};
}

UsbPlace usbPlaceOf(const GstStructure* properties, const std::string& sysfs) {
    if (properties == nullptr) {
        return {};
    }
    UsbPlace place;
    if (!sysfs.empty()) {
        for (const std::string& dir : sysfsDirectories(properties, sysfs)) {
            if (place = usbDeviceAbove(dir); !place.device.empty()) {
                break;
            }
        }
    }
    if (place.vid.empty() || place.pid.empty()) {
        place.vid = usbIdText(text(properties, "device.vendor.id"));
        place.pid = usbIdText(text(properties, "device.product.id"));
    }
    if (place.vid.empty() || place.pid.empty()) {
        idsFromAlsaComponents(text(properties, "alsa.components"), place.vid, place.pid);
    }
    return place;
}

}  // namespace platform::media
