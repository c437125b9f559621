// Moniker: names and binding of real devices, virtual devices and encoder factories.
#include "Moniker.h"

#include <unistd.h>

#include <filesystem>

#include "StreamConfig.h"
#include "UsbPlaceOfDevice.h"
#include "VirtualDeviceProvider.h"
#include "VirtualSources.h"

namespace platform::media {
namespace {

std::string prop(GstStructure* props, const char* key) {
    if (props == nullptr) {
        return {};
    }
    const gchar* v = gst_structure_get_string(props, key);
    return v != nullptr ? v : "";
}

// Without udev properties: the USB device above the video node in sysfs carries the ids.
void idsFromSysfs(const std::string& node, std::string& vid, std::string& pid) {
    const std::string base = std::filesystem::path(node).filename().string();
    const UsbPlace usb = usbDeviceAbove("/sys/class/video4linux/" + base + "/device");
    vid = usb.vid;
    pid = usb.pid;
}

std::string realDisplayName(GstDevice* device, DeviceCategory category) {
    GstStructure* props = gst_device_get_properties(device);
    std::string name;
    if (category == DeviceCategory::VideoInput) {
        const std::string path = prop(props, "device.path");
        std::string vid = usbIdText(prop(props, "device.vendor.id"));
        std::string pid = usbIdText(prop(props, "device.product.id"));
        if ((vid.empty() || pid.empty()) && path.rfind("/dev/video", 0) == 0) {
            idsFromSysfs(path, vid, pid);
        }
        if (!vid.empty() && !pid.empty()) {
            name = "\\\\?\\usb#vid_" + vid + "&pid_" + pid + "&mi_00#" + path + "#{v4l2}\\global";
        } else {
            name = "v4l2:" + path;
        }
    } else {
        std::string api = prop(props, "device.api");
        std::string id = prop(props, "node.name");
        if (id.empty()) {
            id = prop(props, "device.string");
        }
        if (id.empty()) {
            id = prop(props, "device.path");
        }
        if (id.empty()) {
            g_autofree gchar* dn = gst_device_get_display_name(device);
            id = dn != nullptr ? dn : "";
        }
        name = (api.empty() ? "audio" : api) + ":" + id;
    }
    if (props != nullptr) {
        gst_structure_free(props);
    }
    return name;
}

}  // namespace

Moniker Moniker::forDevice(GstDevice* device, DeviceCategory category) {
    Moniker m;
    m.device_ = GstRef<GstDevice>::ref(device);
    m.category_ = category;
    m.display_ = VirtualDeviceProvider::isVirtual(device)
                     ? VirtualDeviceProvider::displayName(device)
                     : realDisplayName(device, category);
    g_autofree gchar* dn = gst_device_get_display_name(device);
    m.friendly_ = dn != nullptr ? dn : "";
    return m;
}

Moniker Moniker::forFactory(GstElementFactory* factory, DeviceCategory category) {
    Moniker m;
    m.factory_ = GstRef<GstElementFactory>::ref(factory);
    m.category_ = category;
    m.display_ =
        std::string("@device:gst:") + gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
    const gchar* longName =
        gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME);
    m.friendly_ = longName != nullptr ? longName : "";
    return m;
}

UsbPlace Moniker::usbPlace() const {
    if (!device_) {
        return {};
    }
    GstStructure* props = gst_device_get_properties(device_.get());
    // A virtual device's path is a made-up name: only its ids say anything.
    UsbPlace place =
        usbPlaceOf(props, VirtualDeviceProvider::isVirtual(device_.get()) ? "" : "/sys");
    if (props != nullptr) {
        gst_structure_free(props);
    }
    return place;
}

HResult Moniker::readFriendlyName(std::string& out) const {
    if (friendly_.empty()) {
        return E_Fail;
    }
    out = friendly_;
    return S_Ok;
}

HResult Moniker::bindToObject(Filter& out) const {
    out = Filter();
    if (factory_) {
        GstElement* e = gst_element_factory_create(factory_.get(), nullptr);
        if (e == nullptr) {
            return E_Fail;
        }
        out = Filter::fromElement(e);
        return S_Ok;
    }
    if (!device_) {
        return E_Pointer;
    }
    const bool isVirtual = VirtualDeviceProvider::isVirtual(device_.get());
    if (!isVirtual) {
        // A camera unplugged since it was listed: its node is gone.
        GstStructure* props = gst_device_get_properties(device_.get());
        const std::string path = prop(props, "device.path");
        if (props != nullptr) {
            gst_structure_free(props);
        }
        if (path.rfind("/dev/", 0) == 0 && ::access(path.c_str(), F_OK) != 0) {
            return E_NotFound;
        }
    }
    GstElement* e = gst_device_create_element(device_.get(), nullptr);
    if (e == nullptr) {
        return isVirtual ? E_NotFound : E_Fail;
    }
    if (!isVirtual &&
        (category_ == DeviceCategory::VideoInput || category_ == DeviceCategory::AudioInput)) {
        e = VirtualSources::wrapSource(e);
        if (e == nullptr) {
            return E_Fail;
        }
        if (category_ == DeviceCategory::VideoInput) {
            g_autoptr(GstCaps) offered = gst_device_get_caps(device_.get());
            StreamConfig::attach(e, offered, nullptr);
        }
    }
    out = Filter::fromElement(e);
    return S_Ok;
}

}  // namespace platform::media
