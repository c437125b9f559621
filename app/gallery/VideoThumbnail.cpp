// First-frame grabbing: uridecodebin ! videoconvert ! videoscale ! BGR appsink, prerolled.
#include "app/gallery/VideoThumbnail.h"

#include <atomic>
#include <cstring>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include "platform/media/GstRef.h"

using platform::media::GstRef;

namespace gallery {

namespace {

// Shared with decodebin's streaming thread through its pad-added and no-more-pads signals.
struct LinkState {
    GstElement* convert = nullptr;  // borrowed: the pipeline owns it
    std::atomic<bool> linked{false};
};

bool isVideoPad(GstPad* pad) {
    GstRef<GstCaps> caps = GstRef<GstCaps>::adopt(gst_pad_get_current_caps(pad));
    if (!caps) {
        caps = GstRef<GstCaps>::adopt(gst_pad_query_caps(pad, nullptr));
    }
    if (!caps || gst_caps_get_size(caps.get()) == 0) {
        return false;
    }
    const gchar* name = gst_structure_get_name(gst_caps_get_structure(caps.get(), 0));
    return g_str_has_prefix(name, "video/");
}

void onPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto* state = static_cast<LinkState*>(data);
    if (state->linked.load() || !isVideoPad(pad)) {
        return;  // other streams stay unlinked; the demuxer carries on while one stream flows
    }
    GstRef<GstPad> sink = GstRef<GstPad>::adopt(gst_element_get_static_pad(state->convert, "sink"));
    if (sink && !gst_pad_is_linked(sink.get()) &&
        gst_pad_link(pad, sink.get()) == GST_PAD_LINK_OK) {
        state->linked.store(true);
    }
}

// Every stream is known: without a video stream nothing will ever preroll, so say so now.
void onNoMorePads(GstElement* decoder, gpointer data) {
    auto* state = static_cast<LinkState*>(data);
    if (!state->linked.load()) {
        gst_element_post_message(
            decoder,
            gst_message_new_application(GST_OBJECT(decoder), gst_structure_new_empty("no-video")));
    }
}

GstRef<GstElement> make(const char* factory) {
    return GstRef<GstElement>::ref(gst_element_factory_make(factory, nullptr));
}

bool copyFrame(GstSample* sample, QImage& target) {
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (caps == nullptr || buffer == nullptr || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGR) {
        return false;
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return false;
    }
    const int w = GST_VIDEO_FRAME_WIDTH(&frame);
    const int h = GST_VIDEO_FRAME_HEIGHT(&frame);
    QImage image(w, h, QImage::Format_BGR888);
    const bool ok = !image.isNull();
    if (ok) {
        const auto* src = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);  // rows padded to 4 bytes
        for (int y = 0; y < h; ++y) {
            std::memcpy(image.scanLine(y), src + static_cast<ptrdiff_t>(y) * stride,
                        static_cast<size_t>(w) * 3);
        }
    }
    gst_video_frame_unmap(&frame);
    if (ok) {
        target = std::move(image);
    }
    return ok;
}

}  // namespace

platform::HResult MakeVideoThumbnail(const std::string& path, QImage& target, int timeoutMs) {
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) {
        return platform::E_Fail;
    }
    g_autofree gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);  // bytes are escaped
    if (uri == nullptr) {
        return platform::E_InvalidArg;
    }
    GstRef<GstElement> pipeline = GstRef<GstElement>::ref(gst_pipeline_new(nullptr));
    GstRef<GstElement> source = make("uridecodebin");
    GstRef<GstElement> convert = make("videoconvert");
    GstRef<GstElement> scale = make("videoscale");
    GstRef<GstElement> filter = make("capsfilter");
    GstRef<GstElement> sink = make("appsink");
    if (!pipeline || !source || !convert || !scale || !filter || !sink) {
        g_warning("first-frame pipeline: elements missing (gstreamer1.0-plugins-base)");
        return platform::E_Fail;
    }
    g_object_set(source.get(), "uri", uri, nullptr);
    GstRef<GstCaps> caps = GstRef<GstCaps>::adopt(
        gst_caps_from_string("video/x-raw,format=BGR,pixel-aspect-ratio=1/1"));
    g_object_set(filter.get(), "caps", caps.get(), nullptr);
    g_object_set(sink.get(), "sync", FALSE, "max-buffers", 1, nullptr);
    gst_bin_add_many(GST_BIN(pipeline.get()), source.get(), convert.get(), scale.get(),
                     filter.get(), sink.get(), nullptr);
    if (!gst_element_link_many(convert.get(), scale.get(), filter.get(), sink.get(), nullptr)) {
        return platform::E_Fail;
    }
    LinkState state;
    state.convert = convert.get();
    const gulong padAdded =
        g_signal_connect(source.get(), "pad-added", G_CALLBACK(onPadAdded), &state);
    const gulong noMorePads =
        g_signal_connect(source.get(), "no-more-pads", G_CALLBACK(onNoMorePads), &state);

    platform::HResult hr = platform::E_Timeout;
    GstRef<GstBus> bus = GstRef<GstBus>::adopt(gst_element_get_bus(pipeline.get()));
    if (gst_element_set_state(pipeline.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        hr = E_InvalidMediaType;
    } else {
        const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeoutMs) * 1000;
        while (hr == platform::E_Timeout) {
            const gint64 left = deadline - g_get_monotonic_time();
            if (left <= 0) {
                break;
            }
            GstRef<GstMessage> msg = GstRef<GstMessage>::adopt(gst_bus_timed_pop_filtered(
                bus.get(), static_cast<GstClockTime>(left) * 1000,
                static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE |
                                            GST_MESSAGE_APPLICATION | GST_MESSAGE_EOS)));
            if (!msg) {
                break;
            }
            switch (GST_MESSAGE_TYPE(msg.get())) {
                case GST_MESSAGE_ASYNC_DONE: {
                    GstRef<GstSample> sample = GstRef<GstSample>::adopt(
                        gst_app_sink_try_pull_preroll(GST_APP_SINK(sink.get()), 0));
                    hr = sample && copyFrame(sample.get(), target) ? platform::S_Ok
                                                                   : E_InvalidMediaType;
                    break;
                }
                case GST_MESSAGE_ERROR:
                case GST_MESSAGE_APPLICATION:
                case GST_MESSAGE_EOS:
                    hr = E_InvalidMediaType;
                    break;
                default:
                    break;
            }
        }
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    // The streaming threads are gone after NULL; the callbacks may no longer see `state`.
    g_signal_handler_disconnect(source.get(), padAdded);
    g_signal_handler_disconnect(source.get(), noMorePads);
    return hr;
}

}  // namespace gallery
