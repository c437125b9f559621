// SmartTee: a tee with two always-present ghost outputs.
#include "SmartTee.h"

#include <string_view>

namespace platform::media {
namespace {

// A late preview must not slow the capture: its QoS events stop at the tee instead of making a
// filter upstream (shared by both outputs) drop frames that the capture output would record.
GstPadProbeReturn dropQos(GstPad*, GstPadProbeInfo* info, gpointer) {
    return GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_QOS ? GST_PAD_PROBE_DROP
                                                                           : GST_PAD_PROBE_OK;
}

}  // namespace

HResult SmartTee::create(Filter& out) {
    out = Filter();
    GstElement* tee = gst_element_factory_make("tee", nullptr);
    if (tee == nullptr) {
        return E_ClassNotRegistered;
    }
    g_object_set(tee, "allow-not-linked", TRUE, nullptr);
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add(GST_BIN(bin), tee);
    g_autoptr(GstPad) sink = gst_element_get_static_pad(tee, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("in", sink));
    for (const char* name : {"capture", "preview"}) {
        g_autoptr(GstPad) src = gst_element_request_pad_simple(tee, "src_%u");
        GstPad* ghost = gst_ghost_pad_new(name, src);
        if (std::string_view(name) == "preview") {
            gst_pad_add_probe(ghost, GST_PAD_PROBE_TYPE_EVENT_UPSTREAM, &dropQos, nullptr, nullptr);
        }
        gst_element_add_pad(bin, ghost);
    }
    out = Filter::fromElement(bin);
    return S_Ok;
}

}  // namespace platform::media
