// SmartTee: a tee with two always-present ghost outputs.
#include "SmartTee.h"

namespace platform::media {

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
        gst_element_add_pad(bin, gst_ghost_pad_new(name, src));
    }
    out = Filter::fromElement(bin);
    return S_Ok;
}

}  // namespace platform::media
