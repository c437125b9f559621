// VideoRenderer: videoconvert ! BGRx ! appsink, frames copied into the VideoWindow mailbox.
#include "VideoRenderer.h"

#include <gst/app/gstappsink.h>

#include "ElementFactory.h"
#include "VideoWindow.h"
#include "platform/TsanAnnotations.h"

namespace platform::media {
namespace {

constexpr const char* kSinkKey = "twk-renderer-sink";

// Streaming thread. A frame that cannot be copied (out of memory) is skipped.
GstFlowReturn onNewSample(GstAppSink* sink, gpointer data) {
    tsanAcquire(data);
    g_autoptr(GstSample) sample = gst_app_sink_pull_sample(sink);
    if (sample != nullptr) {
        try {
            (*static_cast<std::shared_ptr<VideoWindow>*>(data))->deliver(sample);
        } catch (...) {
        }
    }
    return GST_FLOW_OK;
}

void freeWindowRef(gpointer data) {
    delete static_cast<std::shared_ptr<VideoWindow>*>(data);
}

}  // namespace

Filter VideoRenderer::create() {
    GstElement* convert = makeElement("videoconvert");
    GstElement* filter = makeElement("capsfilter");
    GstElement* sink = makeElement("appsink");
    if (convert == nullptr || filter == nullptr || sink == nullptr) {
        for (GstElement* e : {convert, filter, sink}) {
            if (e != nullptr) {
                gst_object_unref(gst_object_ref_sink(e));
            }
        }
        return {};
    }
    g_autoptr(GstCaps) caps = gst_caps_from_string("video/x-raw,format=BGRx");
    g_object_set(filter, "caps", caps, nullptr);
    // The picture is for the eye: keep only the newest frame, never block the stream.
    g_object_set(sink, "max-buffers", 1u, "drop", TRUE, "sync", TRUE, "qos", TRUE, nullptr);
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), convert, filter, sink, nullptr);
    gst_element_link_many(convert, filter, sink, nullptr);
    g_autoptr(GstPad) target = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("in", target));
    g_object_set_data(G_OBJECT(bin), kSinkKey, sink);
    return Filter::fromElement(bin);
}

bool VideoRenderer::isRenderer(GstElement* element) {
    return element != nullptr && g_object_get_data(G_OBJECT(element), kSinkKey) != nullptr;
}

void VideoRenderer::attach(GstElement* element, const std::shared_ptr<VideoWindow>& window) {
    if (!isRenderer(element)) {
        return;
    }
    auto* sink = static_cast<GstAppSink*>(g_object_get_data(G_OBJECT(element), kSinkKey));
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &onNewSample;
    auto* ref = new std::shared_ptr<VideoWindow>(window);
    tsanRelease(ref);  // the callback runs on the sink's streaming thread
    gst_app_sink_set_callbacks(sink, &callbacks, ref, &freeWindowRef);
}

void VideoRenderer::detach(GstElement* element) {
    if (!isRenderer(element)) {
        return;
    }
    auto* sink = static_cast<GstAppSink*>(g_object_get_data(G_OBJECT(element), kSinkKey));
    GstAppSinkCallbacks callbacks{};
    gst_app_sink_set_callbacks(sink, &callbacks, nullptr, nullptr);
}

}  // namespace platform::media
