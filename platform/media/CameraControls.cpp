// Colour-balance controls of a source element or of the first element in its bin that has them.
#include "CameraControls.h"

#include <algorithm>

#include <gst/video/colorbalance.h>

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

}  // namespace

std::vector<CameraControl> CameraControls::list(GstElement* source) {
    std::vector<CameraControl> controls;
    GstColorBalance* balance = balanceOf(source);
    if (balance == nullptr) {
        return controls;
    }
    for (const GList* l = gst_color_balance_list_channels(balance); l != nullptr; l = l->next) {
        auto* channel = GST_COLOR_BALANCE_CHANNEL(l->data);
        controls.push_back({channel->label != nullptr ? channel->label : "", channel->min_value, channel->max_value,
                            gst_color_balance_get_value(balance, channel)});
    }
    gst_object_unref(balance);
    return controls;
}

bool CameraControls::set(GstElement* source, const std::string& label, int value) {
    GstColorBalance* balance = balanceOf(source);
    if (balance == nullptr) {
        return false;
    }
    bool found = false;
    for (const GList* l = gst_color_balance_list_channels(balance); l != nullptr; l = l->next) {
        auto* channel = GST_COLOR_BALANCE_CHANNEL(l->data);
        if (channel->label != nullptr && label == channel->label) {
            gst_color_balance_set_value(balance, channel, std::clamp(value, channel->min_value, channel->max_value));
            found = true;
            break;
        }
    }
    gst_object_unref(balance);
    return found;
}

}  // namespace platform::media
