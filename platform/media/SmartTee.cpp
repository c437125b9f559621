// SmartTee: a tee with a capture output and a queued, leaky preview output.
#include "SmartTee.h"

#include "ElementFactory.h"

namespace platform::media {
namespace {

// A late preview must not slow the capture: its QoS events stop at the tee instead of making a
// filter upstream (shared by both outputs) drop frames that the capture output would record.
GstPadProbeReturn dropQos(GstPad*, GstPadProbeInfo* info, gpointer) {
    return GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_QOS ? GST_PAD_PROBE_DROP
                                                                           : GST_PAD_PROBE_OK;
}

// An open preview output swallows its frames: the queue's thread would otherwise stop the
// graph with "not linked".
GstPadProbeReturn dropWhileOpen(GstPad* pad, GstPadProbeInfo*, gpointer) {
    return gst_pad_is_linked(pad) ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}

}  // namespace

HResult SmartTee::create(Filter& out) {
    out = Filter();
    GstElement* tee = makeElement("tee");
    if (tee == nullptr) {
        return E_ClassNotRegistered;
    }
    g_object_set(tee, "allow-not-linked", TRUE, nullptr);
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add(GST_BIN(bin), tee);
    g_autoptr(GstPad) sink = gst_element_get_static_pad(tee, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("in", sink));
    g_autoptr(GstPad) capture = gst_element_request_pad_simple(tee, "src_%u");
    gst_element_add_pad(bin, gst_ghost_pad_new("capture", capture));
    // The preview runs on a thread of its own behind a leaky queue: a renderer that waits for
    // its clock, or falls behind, drops preview frames instead of holding the camera's thread
    // (and with it the capture output).
    GstElement* queue = makeElement("queue");
    if (queue == nullptr) {
        gst_object_unref(gst_object_ref_sink(bin));
        return E_ClassNotRegistered;
    }
    g_object_set(queue, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time", guint64{0},
                 nullptr);
    gst_util_set_object_arg(G_OBJECT(queue), "leaky", "downstream");
    gst_bin_add(GST_BIN(bin), queue);
    g_autoptr(GstPad) previewSrc = gst_element_request_pad_simple(tee, "src_%u");
    g_autoptr(GstPad) queueIn = gst_element_get_static_pad(queue, "sink");
    gst_pad_link(previewSrc, queueIn);
    g_autoptr(GstPad) queueOut = gst_element_get_static_pad(queue, "src");
    GstPad* preview = gst_ghost_pad_new("preview", queueOut);
    gst_pad_add_probe(preview, GST_PAD_PROBE_TYPE_EVENT_UPSTREAM, &dropQos, nullptr, nullptr);
    gst_pad_add_probe(
        preview,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        &dropWhileOpen, nullptr, nullptr);
    gst_element_add_pad(bin, preview);
    out = Filter::fromElement(bin);
    return S_Ok;
}

}  // namespace platform::media
