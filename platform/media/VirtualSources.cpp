// VirtualSources: videotestsrc/audiotestsrc bins standing in for devices.
#include "VirtualSources.h"

#include <cstdio>

namespace platform::media {
namespace {

GstElement* make(const char* factory) {
    GstElement* e = gst_element_factory_make(factory, nullptr);
    if (e == nullptr) {
        std::fprintf(stderr, "media: element \"%s\" is missing (gstreamer1.0-plugins-base/good)\n",
                     factory);
    }
    return e;
}

std::string capsFor(const std::string& format, int w, int h) {
    const std::string size =
        ",width=" + std::to_string(w) + ",height=" + std::to_string(h) + ",framerate=30/1";
    if (format == "MJPG") {
        return "image/jpeg" + size;
    }
    return std::string("video/x-raw,format=") + (format == "RGB24" ? "BGR" : "YUY2") + size +
           ",pixel-aspect-ratio=1/1";
}

// Reports the busy error once, on the first buffer: a held camera opens fine and fails when
// it starts to stream, after the state change was asked.
GstPadProbeReturn busyProbe(GstPad* pad, GstPadProbeInfo*, gpointer) {
    g_autoptr(GstObject) parent = gst_pad_get_parent(pad);
    if (parent != nullptr && GST_IS_ELEMENT(parent)) {
        GstElement* src = GST_ELEMENT(parent);
        GST_ELEMENT_ERROR(src, RESOURCE, BUSY, ("Device is busy."),
                          ("virtual camera: held by another program"));
    }
    return GST_PAD_PROBE_DROP;
}

void ghost(GstElement* bin, GstElement* inner, const char* innerPad, const char* name) {
    g_autoptr(GstPad) target = gst_element_get_static_pad(inner, innerPad);
    gst_element_add_pad(bin, gst_ghost_pad_new(name, target));
}

void dropAll(std::initializer_list<GstElement*> elements) {
    for (GstElement* e : elements) {
        if (e != nullptr) {
            gst_object_unref(gst_object_ref_sink(e));
        }
    }
}

}  // namespace

GstCaps* VirtualSources::cameraCaps(const std::vector<std::string>& formats) {
    GstCaps* caps = gst_caps_new_empty();
    static const int sizes[][2] = {{320, 240}, {640, 480}, {1280, 720}, {1280, 800}};
    for (const std::string& f : formats) {
        for (const auto& s : sizes) {
            gst_caps_append(caps, gst_caps_from_string(capsFor(f, s[0], s[1]).c_str()));
        }
    }
    return caps;
}

GstElement* VirtualSources::createCamera(const VirtualDeviceDesc& desc) {
    const std::string format = desc.formats.empty() ? "YUY2" : desc.formats.front();
    GstElement* src = make("videotestsrc");
    GstElement* raw = make("capsfilter");
    GstElement* enc = format == "MJPG" ? make("jpegenc") : make("identity");
    if (src == nullptr || raw == nullptr || enc == nullptr) {
        dropAll({src, raw, enc});
        return nullptr;
    }
    g_object_set(src, "is-live", TRUE, nullptr);
    gst_util_set_object_arg(G_OBJECT(src), "pattern", "ball");
    const std::string rawCaps = format == "MJPG"
                                    ? "video/x-raw,format=I420,width=640,height=480,framerate=30/1"
                                    : capsFor(format, 640, 480);
    g_autoptr(GstCaps) caps = gst_caps_from_string(rawCaps.c_str());
    g_object_set(raw, "caps", caps, nullptr);
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), src, raw, enc, nullptr);
    gst_element_link_many(src, raw, enc, nullptr);
    ghost(bin, enc, "src", "capture");
    if (desc.busy) {
        g_autoptr(GstPad) pad = gst_element_get_static_pad(src, "src");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &busyProbe, nullptr, nullptr);
    }
    return bin;
}

GstElement* VirtualSources::createMicrophone(const VirtualDeviceDesc&) {
    GstElement* src = make("audiotestsrc");
    GstElement* filter = make("capsfilter");
    if (src == nullptr || filter == nullptr) {
        dropAll({src, filter});
        return nullptr;
    }
    g_object_set(src, "is-live", TRUE, "freq", 440.0, "volume", 0.3, nullptr);
    g_autoptr(GstCaps) caps =
        gst_caps_from_string("audio/x-raw,format=S16LE,rate=44100,channels=2,layout=interleaved");
    g_object_set(filter, "caps", caps, nullptr);
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), src, filter, nullptr);
    gst_element_link(src, filter);
    ghost(bin, filter, "src", "capture");
    return bin;
}

GstElement* VirtualSources::createSpeaker(const VirtualDeviceDesc&) {
    GstElement* convert = make("audioconvert");
    GstElement* resample = make("audioresample");
    GstElement* sink = make("fakesink");
    if (convert == nullptr || resample == nullptr || sink == nullptr) {
        dropAll({convert, resample, sink});
        return nullptr;
    }
    g_object_set(sink, "sync", TRUE, nullptr);
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), convert, resample, sink, nullptr);
    gst_element_link_many(convert, resample, sink, nullptr);
    ghost(bin, convert, "sink", "in");
    return bin;
}

GstElement* VirtualSources::wrapSource(GstElement* source) {
    GstElement* filter = make("capsfilter");
    if (filter == nullptr) {
        dropAll({source});
        return nullptr;
    }
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), source, filter, nullptr);
    gst_element_link(source, filter);
    ghost(bin, filter, "src", "capture");
    return bin;
}

}  // namespace platform::media
