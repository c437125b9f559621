// DeviceEnumerator: GstDeviceMonitor for real devices, the virtual provider, encoder factories.
#include "DeviceEnumerator.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "MediaRuntime.h"
#include "OutputMonitor.h"
#include "VirtualDeviceProvider.h"

namespace platform::media {
namespace {

std::atomic<bool> g_realDevices{true};

const char* monitorClass(DeviceCategory c) {
    switch (c) {
        case DeviceCategory::VideoInput:
            return "Video/Source";
        case DeviceCategory::AudioInput:
            return "Audio/Source";
        case DeviceCategory::AudioOutput:
            return "Audio/Sink";
        default:
            return nullptr;
    }
}

VirtualKind virtualKind(DeviceCategory c) {
    switch (c) {
        case DeviceCategory::AudioInput:
            return VirtualKind::Microphone;
        case DeviceCategory::AudioOutput:
            return VirtualKind::Speaker;
        default:
            return VirtualKind::Camera;
    }
}

// The caps of the AVI multiplexer's request pads for one kind ("video_%u" or "audio_%u").
GstCaps* muxInputCaps(const char* templateName) {
    g_autoptr(GstElementFactory) mux = gst_element_factory_find("avimux");
    if (mux == nullptr) {
        return nullptr;
    }
    GstCaps* caps = nullptr;
    for (const GList* l = gst_element_factory_get_static_pad_templates(mux); l != nullptr;
         l = l->next) {
        auto* t = static_cast<GstStaticPadTemplate*>(l->data);
        if (std::strcmp(t->name_template, templateName) == 0) {
            caps = gst_static_caps_get(&t->static_caps);
        }
    }
    return caps;
}

// Encoders known to produce streams the multiplexer cannot time correctly, and wrappers of
// hardware encoders that only open on boards that have one.
bool excluded(const char* name) {
    const size_t n = std::strlen(name);
    return std::strcmp(name, "avenc_mpeg4") == 0 ||
           (n > 4 && std::strcmp(name + n - 4, "_omx") == 0);
}

// A sound server lists the monitor of each output among its sources, often before the
// microphones: taken as a microphone by its index, it records the speakers (or the silence of
// a machine without any) instead of the camera's sound.
bool isMonitorDevice(GstDevice* device) {
    GstStructure* props = gst_device_get_properties(device);
    const bool monitor = isOutputMonitor(props);
    if (props != nullptr) {
        gst_structure_free(props);
    }
    return monitor;
}

}  // namespace

void DeviceEnumerator::setRealDevicesEnabled(bool enabled) {
    g_realDevices.store(enabled);
}

std::vector<Moniker> DeviceEnumerator::compressors(DeviceCategory category) {
    std::vector<Moniker> out;
    const bool video = category == DeviceCategory::VideoCompressor;
    g_autoptr(GstCaps) sinkCaps = muxInputCaps(video ? "video_%u" : "audio_%u");
    if (sinkCaps == nullptr) {
        return out;
    }
    GList* list = gst_element_factory_list_get_elements(
        video ? GST_ELEMENT_FACTORY_TYPE_VIDEO_ENCODER : GST_ELEMENT_FACTORY_TYPE_AUDIO_ENCODER,
        GST_RANK_NONE);
    list = g_list_sort(list, [](gconstpointer a, gconstpointer b) {
        return std::strcmp(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(a)),
                           gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(b)));
    });
    for (GList* l = list; l != nullptr; l = l->next) {
        auto* f = GST_ELEMENT_FACTORY(l->data);
        if (excluded(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)))) {
            continue;
        }
        // An encoder for the other kind (an image encoder in the audio list) is left out by caps.
        if (gst_element_factory_can_src_any_caps(f, sinkCaps) != FALSE) {
            out.push_back(Moniker::forFactory(f, category));
        }
    }
    gst_plugin_feature_list_free(list);
    return out;
}

void DeviceEnumerator::putCameraMicrophonesFirst(std::vector<Moniker>& microphones,
                                                 const UsbPlace& camera) {
    if (camera == UsbPlace{} || microphones.size() < 2) {
        return;
    }
    std::vector<UsbPlace> places;
    places.reserve(microphones.size());
    for (const Moniker& m : microphones) {
        places.push_back(m.usbPlace());
    }
    std::vector<Moniker> ordered;
    ordered.reserve(microphones.size());
    for (const size_t i : orderBesideCamera(camera, places)) {
        ordered.push_back(std::move(microphones[i]));
    }
    microphones = std::move(ordered);
}

HResult DeviceEnumerator::createClassEnumerator(DeviceCategory category,
                                                std::vector<Moniker>& out) {
    out.clear();
    if (!MediaRuntime::initialised()) {
        return E_Unexpected;
    }
    if (category == DeviceCategory::VideoCompressor ||
        category == DeviceCategory::AudioCompressor) {
        out = compressors(category);
        return out.empty() ? S_False : S_Ok;
    }
    if (g_realDevices.load()) {
        g_autoptr(GstDeviceMonitor) monitor = gst_device_monitor_new();
        gst_device_monitor_add_filter(monitor, monitorClass(category), nullptr);
        GList* devices = gst_device_monitor_get_devices(monitor);
        for (GList* l = devices; l != nullptr; l = l->next) {
            auto* d = GST_DEVICE(l->data);
            if (!VirtualDeviceProvider::isVirtual(d) &&
                !(category == DeviceCategory::AudioInput && isMonitorDevice(d))) {
                out.push_back(Moniker::forDevice(d, category));
            }
        }
        g_list_free_full(devices, gst_object_unref);
    }
    for (auto& d : VirtualDeviceProvider::devices(virtualKind(category))) {
        out.push_back(Moniker::forDevice(d.get(), category));
    }
    return out.empty() ? S_False : S_Ok;
}

}  // namespace platform::media
