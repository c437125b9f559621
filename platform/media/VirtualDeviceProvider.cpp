// VirtualDeviceProvider: GstDeviceProvider and GstDevice subclasses over a process-wide list.
#include "VirtualDeviceProvider.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "VirtualSources.h"

namespace platform::media {
namespace {

struct VirtualEntry {
    VirtualDeviceDesc desc;
    std::string displayName;
    std::string interfaceName;
    std::atomic<bool> present{true};
};

}  // namespace
}  // namespace platform::media

using platform::media::VirtualEntry;

// --- GObject types ---------------------------------------------------------------------------
extern "C" {

struct TwkVirtualDevice {
    GstDevice parent;
    std::shared_ptr<VirtualEntry>* entry;  // owned; deleted in finalize
};
struct TwkVirtualDeviceClass {
    GstDeviceClass parent_class;
};

struct TwkVirtualProvider {
    GstDeviceProvider parent;
};
struct TwkVirtualProviderClass {
    GstDeviceProviderClass parent_class;
};

}  // extern "C"

namespace {

GType twk_virtual_device_get_type();
GType twk_virtual_provider_get_type();

gpointer g_deviceParentClass = nullptr;

GstElement* deviceCreateElement(GstDevice* device, const gchar* name) {
    auto* self = reinterpret_cast<TwkVirtualDevice*>(device);
    const std::shared_ptr<VirtualEntry>& entry = *self->entry;
    // An unbindable device, or one unplugged since it was listed, cannot be bound.
    if (entry->desc.unbindable || !entry->present.load(std::memory_order_acquire)) {
        return nullptr;
    }
    GstElement* e = nullptr;
    switch (entry->desc.kind) {
        case platform::media::VirtualKind::Camera:
            e = platform::media::VirtualSources::createCamera(entry->desc);
            break;
        case platform::media::VirtualKind::Microphone:
            e = platform::media::VirtualSources::createMicrophone(entry->desc);
            break;
        case platform::media::VirtualKind::Speaker:
            e = platform::media::VirtualSources::createSpeaker(entry->desc);
            break;
    }
    if (e != nullptr && name != nullptr) {
        gst_object_set_name(GST_OBJECT(e), name);
    }
    return e;
}

void deviceFinalize(GObject* object) {
    auto* self = reinterpret_cast<TwkVirtualDevice*>(object);
    delete self->entry;
    self->entry = nullptr;
    G_OBJECT_CLASS(g_deviceParentClass)->finalize(object);
}

void deviceClassInit(gpointer klass, gpointer) {
    g_deviceParentClass = g_type_class_peek_parent(klass);
    G_OBJECT_CLASS(klass)->finalize = &deviceFinalize;
    GST_DEVICE_CLASS(klass)->create_element = &deviceCreateElement;
}

void deviceInit(GTypeInstance* instance, gpointer) {
    reinterpret_cast<TwkVirtualDevice*>(instance)->entry = nullptr;
}

GType twk_virtual_device_get_type() {
    static const GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(TwkVirtualDeviceClass);
        info.class_init = &deviceClassInit;
        info.instance_size = sizeof(TwkVirtualDevice);
        info.instance_init = &deviceInit;
        return g_type_register_static(GST_TYPE_DEVICE, "TwkVirtualDevice", &info, GTypeFlags(0));
    }();
    return type;
}

// Process-wide device list, shared by the provider instance and the enumerator.
struct Registry {
    std::mutex mutex;
    std::vector<platform::media::GstRef<GstDevice>> devices;           // guarded by mutex
    bool configured = false;                                           // guarded by mutex
    bool providerStarted = false;                                      // guarded by mutex
    std::string defaultVid;                                            // guarded by mutex
    std::string defaultPid;                                            // guarded by mutex
    int serial[3] = {0, 0, 0};                                         // guarded by mutex
    platform::media::VirtualDeviceProvider::HotplugListener listener;  // guarded by mutex
};

Registry& registry() {
    static Registry r;
    return r;
}

GList* providerProbe(GstDeviceProvider*) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    GList* list = nullptr;
    for (auto& d : r.devices) {
        list = g_list_append(list, gst_object_ref(d.get()));
    }
    return list;
}

GstDeviceProvider* providerInstance() {
    g_autoptr(GstDeviceProviderFactory) f =
        gst_device_provider_factory_find("tarnwickvirtualprovider");
    if (f == nullptr) {
        return nullptr;
    }
    GstDeviceProvider* p = gst_device_provider_factory_get(f);
    return p;
}

gboolean providerStart(GstDeviceProvider* provider) {
    std::vector<platform::media::GstRef<GstDevice>> now;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        r.providerStarted = true;
        for (auto& d : r.devices) {
            now.push_back(d.clone());
        }
    }
    for (auto& d : now) {
        gst_device_provider_device_add(provider, d.get());
    }
    return TRUE;
}

// The base class drops its device list itself once stop returns.
void providerStop(GstDeviceProvider*) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.providerStarted = false;
}

void providerClassInit(gpointer klass, gpointer) {
    auto* dp = GST_DEVICE_PROVIDER_CLASS(klass);
    dp->probe = &providerProbe;
    dp->start = &providerStart;
    dp->stop = &providerStop;
    gst_device_provider_class_set_static_metadata(dp, "Virtual devices", "Source/Video/Audio",
                                                  "Virtual cameras, microphones and speakers",
                                                  "Tarnwick");
}

GType twk_virtual_provider_get_type() {
    static const GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(TwkVirtualProviderClass);
        info.class_init = &providerClassInit;
        info.instance_size = sizeof(TwkVirtualProvider);
        return g_type_register_static(GST_TYPE_DEVICE_PROVIDER, "TwkVirtualProvider", &info,
                                      GTypeFlags(0));
    }();
    return type;
}

gboolean pluginInit(GstPlugin* plugin) {
    return gst_device_provider_register(plugin, "tarnwickvirtualprovider", GST_RANK_MARGINAL,
                                        twk_virtual_provider_get_type());
}

const char* classOf(platform::media::VirtualKind kind) {
    switch (kind) {
        case platform::media::VirtualKind::Camera:
            return "Video/Source";
        case platform::media::VirtualKind::Microphone:
            return "Audio/Source";
        case platform::media::VirtualKind::Speaker:
            return "Audio/Sink";
    }
    return "";
}

// Caller holds registry().mutex.
platform::media::GstRef<GstDevice> makeDevice(Registry& r,
                                              const platform::media::VirtualDeviceDesc& desc) {
    using namespace platform::media;
    auto entry = std::make_shared<VirtualEntry>();
    entry->desc = desc;
    const int serial = ++r.serial[static_cast<int>(desc.kind)];
    entry->displayName = VirtualDeviceConfig::displayNameFor(desc, serial);
    entry->interfaceName = entry->displayName;
    if (desc.kind == VirtualKind::Camera && !desc.vid.empty()) {
        entry->interfaceName = "\\\\?\\usb#vid_" + desc.vid + "&pid_" + desc.pid +
                               "#virtual-camera-" + std::to_string(serial) +
                               "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
    }
    g_autoptr(GstCaps) caps = nullptr;
    if (desc.kind == VirtualKind::Camera) {
        caps = VirtualSources::cameraCaps(desc.formats);
    } else {
        caps = gst_caps_from_string("audio/x-raw,format=S16LE,rate=44100,channels=2");
    }
    GstStructure* props =
        gst_structure_new("properties", "device.path", G_TYPE_STRING, entry->displayName.c_str(),
                          "device.api", G_TYPE_STRING, "virtual", nullptr);
    if (!desc.vid.empty()) {
        gst_structure_set(props, "device.vendor.id", G_TYPE_STRING, desc.vid.c_str(),
                          "device.product.id", G_TYPE_STRING, desc.pid.c_str(), nullptr);
    }
    GObject* obj = static_cast<GObject*>(g_object_new(
        twk_virtual_device_get_type(), "display-name", desc.name.c_str(), "device-class",
        classOf(desc.kind), "caps", caps, "properties", props, nullptr));
    gst_structure_free(props);
    reinterpret_cast<TwkVirtualDevice*>(obj)->entry =
        new std::shared_ptr<VirtualEntry>(std::move(entry));
    return GstRef<GstDevice>::ref(GST_DEVICE(obj));
}

const VirtualEntry* entryOf(GstDevice* device) {
    if (device == nullptr || !G_TYPE_CHECK_INSTANCE_TYPE(device, twk_virtual_device_get_type())) {
        return nullptr;
    }
    auto* self = reinterpret_cast<TwkVirtualDevice*>(device);
    return self->entry != nullptr ? self->entry->get() : nullptr;
}

void announce(GstDevice* device, bool arrived, bool started) {
    const VirtualEntry* e = entryOf(device);
    if (started) {
        GstDeviceProvider* p = providerInstance();
        if (p != nullptr) {
            if (arrived) {
                gst_device_provider_device_add(p, device);
            } else {
                gst_device_provider_device_remove(p, device);
            }
            gst_object_unref(p);
        }
    }
    platform::media::VirtualDeviceProvider::HotplugListener listener;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        listener = r.listener;
    }
    if (listener && e != nullptr) {
        listener(arrived, e->interfaceName);
    }
}

}  // namespace

namespace platform::media {

bool VirtualDeviceProvider::registerPlugin() {
    static const bool ok = gst_plugin_register_static(
                               GST_VERSION_MAJOR, GST_VERSION_MINOR, "tarnwickvirtual",
                               "Virtual capture devices", &pluginInit, "0.1", "Proprietary",
                               "tarnwick", "Tarnwick", "https://www.tarnwick.example/") != FALSE;
    return ok;
}

void VirtualDeviceProvider::setDefaultCameraIds(const std::string& vid, const std::string& pid) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.defaultVid = vid;
    r.defaultPid = pid;
}

void VirtualDeviceProvider::configure(const std::string& text) {
    Registry& r = registry();
    std::vector<GstRef<GstDevice>> gone;
    std::vector<GstRef<GstDevice>> came;
    bool started = false;
    {
        std::lock_guard lock(r.mutex);
        std::vector<std::string> problems;
        const auto descs = VirtualDeviceConfig::parse(text, r.defaultVid, r.defaultPid, problems);
        for (const std::string& p : problems) {
            std::fprintf(stderr, "%s: skipped %s\n", kEnvironmentVariable, p.c_str());
        }
        for (auto& d : r.devices) {
            auto* self = reinterpret_cast<TwkVirtualDevice*>(d.get());
            (*self->entry)->present.store(false, std::memory_order_release);
            gone.push_back(std::move(d));
        }
        r.devices.clear();
        r.serial[0] = r.serial[1] = r.serial[2] = 0;
        for (const auto& desc : descs) {
            r.devices.push_back(makeDevice(r, desc));
            came.push_back(r.devices.back().clone());
        }
        r.configured = true;
        started = r.providerStarted;
    }
    for (auto& d : gone) {
        announce(d.get(), false, started);
    }
    for (auto& d : came) {
        announce(d.get(), true, started);
    }
}

void VirtualDeviceProvider::configureFromEnvironmentOnce() {
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        if (r.configured) {
            return;
        }
    }
    const char* text = std::getenv(kEnvironmentVariable);
    configure(text != nullptr ? text : "");
}

bool VirtualDeviceProvider::add(const std::string& entryText, std::string* displayNameOut) {
    configureFromEnvironmentOnce();
    Registry& r = registry();
    GstRef<GstDevice> device;
    bool started = false;
    {
        std::lock_guard lock(r.mutex);
        VirtualDeviceDesc desc;
        std::string problem;
        if (!VirtualDeviceConfig::parseOne(entryText, r.defaultVid, r.defaultPid, desc, problem)) {
            std::fprintf(stderr, "%s: skipped \"%s\": %s\n", kEnvironmentVariable,
                         entryText.c_str(), problem.c_str());
            return false;
        }
        r.devices.push_back(makeDevice(r, desc));
        device = r.devices.back().clone();
        started = r.providerStarted;
    }
    if (displayNameOut != nullptr) {
        *displayNameOut = displayName(device.get());
    }
    announce(device.get(), true, started);
    return true;
}

bool VirtualDeviceProvider::remove(const std::string& name) {
    Registry& r = registry();
    GstRef<GstDevice> device;
    bool started = false;
    {
        std::lock_guard lock(r.mutex);
        for (auto it = r.devices.begin(); it != r.devices.end(); ++it) {
            const VirtualEntry* e = entryOf(it->get());
            if (e != nullptr && e->displayName == name) {
                auto* self = reinterpret_cast<TwkVirtualDevice*>(it->get());
                (*self->entry)->present.store(false, std::memory_order_release);
                device = std::move(*it);
                r.devices.erase(it);
                break;
            }
        }
        started = r.providerStarted;
    }
    if (!device) {
        return false;
    }
    announce(device.get(), false, started);
    return true;
}

std::vector<GstRef<GstDevice>> VirtualDeviceProvider::devices(VirtualKind kind) {
    configureFromEnvironmentOnce();
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<GstRef<GstDevice>> out;
    for (auto& d : r.devices) {
        const VirtualEntry* e = entryOf(d.get());
        if (e != nullptr && e->desc.kind == kind) {
            out.push_back(d.clone());
        }
    }
    return out;
}

bool VirtualDeviceProvider::isVirtual(GstDevice* device) {
    return entryOf(device) != nullptr;
}

std::string VirtualDeviceProvider::displayName(GstDevice* device) {
    const VirtualEntry* e = entryOf(device);
    return e != nullptr ? e->displayName : std::string();
}

void VirtualDeviceProvider::setHotplugListener(HotplugListener listener) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.listener = std::move(listener);
}

}  // namespace platform::media
