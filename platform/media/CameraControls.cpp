// The controls of a source: V4L2 controls when it holds a v4l2src whose node opens, and the
// colour-balance channels of the first element in it that has them.
#include "CameraControls.h"

#include <algorithm>
#include <memory>

#include <gst/video/colorbalance.h>

#include "platform/media/V4l2Device.h"

namespace platform::media {
namespace {

// A new reference to the element that carries the controls, or null.
GstColorBalance* balanceOf(GstElement* source) {
    if (source == nullptr) {
        return nullptr;
    }
    if (GST_IS_COLOR_BALANCE(source)) {
        return GST_COLOR_BALANCE(gst_object_ref(source));
    }
    if (GST_IS_BIN(source)) {
        GstElement* inner = gst_bin_get_by_interface(GST_BIN(source), GST_TYPE_COLOR_BALANCE);
        return inner != nullptr ? GST_COLOR_BALANCE(inner) : nullptr;
    }
    return nullptr;
}

bool isV4l2Source(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    return factory != nullptr &&
           g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "v4l2src") == 0;
}

gint notV4l2Source(gconstpointer item, gconstpointer) {
    auto* element = GST_ELEMENT(g_value_get_object(static_cast<const GValue*>(item)));
    return isV4l2Source(element) ? 0 : 1;
}

// A new reference to the v4l2src that is `source` or lies anywhere inside it, or null.
GstElement* v4l2SourceOf(GstElement* source) {
    if (source == nullptr) {
        return nullptr;
    }
    if (isV4l2Source(source)) {
        return GST_ELEMENT(gst_object_ref(source));
    }
    if (!GST_IS_BIN(source)) {
        return nullptr;
    }
    GstElement* found = nullptr;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(source));
    GValue item = G_VALUE_INIT;
    if (gst_iterator_find_custom(it, notV4l2Source, &item, nullptr)) {
        found = GST_ELEMENT(g_value_dup_object(&item));
        g_value_unset(&item);
    }
    gst_iterator_free(it);
    return found;
}

std::string nodeOf(GstElement* v4l2) {
    gchar* path = nullptr;
    g_object_get(v4l2, "device", &path, nullptr);
    std::string node = path != nullptr ? path : "";
    g_free(path);
    return node;
}

// What one source offers: the v4l2src's node opened for controls (null when the source has
// none or it does not open) and the colour-balance element.
struct Backends {
    explicit Backends(GstElement* source) : balance(balanceOf(source)) {
        GstElement* v4l2 = v4l2SourceOf(source);
        if (v4l2 == nullptr) {
            return;
        }
        device = V4l2Device::open(nodeOf(v4l2));
        // v4l2src's own colour balance is backed by the same controls: do not offer them twice.
        balanceIsDevice = static_cast<void*>(balance) == static_cast<void*>(v4l2);
        gst_object_unref(v4l2);
    }
    ~Backends() {
        if (balance != nullptr) {
            gst_object_unref(balance);
        }
    }
    Backends(const Backends&) = delete;
    Backends& operator=(const Backends&) = delete;

    // Colour balance stands in for V4L2 only when the node does not open.
    GstColorBalance* usableBalance() const {
        return device != nullptr && balanceIsDevice ? nullptr : balance;
    }

    std::unique_ptr<V4l2Device> device;
    GstColorBalance* balance;
    bool balanceIsDevice = false;
};

}  // namespace

std::vector<CameraControl> CameraControls::list(GstElement* source) {
    Backends backends(source);
    std::vector<CameraControl> controls;
    if (backends.device != nullptr) {
        controls = V4l2Controls::list(*backends.device);
    }
    GstColorBalance* balance = backends.usableBalance();
    if (balance == nullptr) {
        return controls;
    }
    for (const GList* l = gst_color_balance_list_channels(balance); l != nullptr; l = l->next) {
        auto* channel = GST_COLOR_BALANCE_CHANNEL(l->data);
        CameraControl c;
        c.label = channel->label != nullptr ? channel->label : "";
        const bool named = std::any_of(controls.begin(), controls.end(),
                                       [&](const CameraControl& o) { return o.label == c.label; });
        if (named) {
            continue;
        }
        c.minimum = channel->min_value;
        c.maximum = channel->max_value;
        c.value = gst_color_balance_get_value(balance, channel);
        c.defaultValue =
            static_cast<int>((static_cast<int64_t>(channel->min_value) + channel->max_value) / 2);
        controls.push_back(std::move(c));
    }
    return controls;
}

std::string CameraControls::v4l2Node(GstElement* source) {
    GstElement* v4l2 = v4l2SourceOf(source);
    if (v4l2 == nullptr) {
        return {};
    }
    std::string node = nodeOf(v4l2);
    gst_object_unref(v4l2);
    return node;
}

bool CameraControls::set(GstElement* source, const std::string& label, int value) {
    Backends backends(source);
    if (backends.device != nullptr) {
        const V4l2Controls::SetResult result = V4l2Controls::set(*backends.device, label, value);
        if (result != V4l2Controls::SetResult::NoControl) {
            return result == V4l2Controls::SetResult::Set;
        }
    }
    GstColorBalance* balance = backends.usableBalance();
    if (balance == nullptr) {
        return false;
    }
    for (const GList* l = gst_color_balance_list_channels(balance); l != nullptr; l = l->next) {
        auto* channel = GST_COLOR_BALANCE_CHANNEL(l->data);
        if (channel->label != nullptr && label == channel->label) {
            gst_color_balance_set_value(balance, channel,
                                        std::clamp(value, channel->min_value, channel->max_value));
            return true;
        }
    }
    return false;
}

}  // namespace platform::media
