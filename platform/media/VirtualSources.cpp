// VirtualSources: videotestsrc/audiotestsrc bins standing in for devices.
#include "VirtualSources.h"

#include "ElementFactory.h"
#include "StreamConfig.h"
#include "platform/TsanAnnotations.h"

namespace platform::media {
namespace {

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

// A camera in dim light: its caps keep their rate, but only the frames due at the slower rate
// are sent, with the timestamps they had. Streaming thread only, after the install.
struct DeliveredRate {
    GstClockTime period = GST_CLOCK_TIME_NONE;
    GstClockTime last = GST_CLOCK_TIME_NONE;  // the last frame sent
    GstClockTime next = GST_CLOCK_TIME_NONE;  // when the next one is due
};

GstPadProbeReturn deliveredRateProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
    tsanAcquire(data);
    auto* r = static_cast<DeliveredRate*>(data);
    const GstClockTime pts = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
    if (!GST_CLOCK_TIME_IS_VALID(pts)) {
        return GST_PAD_PROBE_OK;
    }
    // A millisecond of slack: frame times are rounded to the nanosecond.
    constexpr GstClockTime kSlack = GST_MSECOND;
    const bool sameRun = GST_CLOCK_TIME_IS_VALID(r->last) && pts >= r->last;
    if (sameRun && pts + kSlack < r->next) {
        return GST_PAD_PROBE_DROP;
    }
    r->next = sameRun && pts < r->next + r->period ? r->next + r->period : pts + r->period;
    r->last = pts;
    return GST_PAD_PROBE_OK;
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
    GstElement* src = makeElement("videotestsrc");
    GstElement* balance = makeElement("videobalance");  // the camera's picture controls
    GstElement* raw = makeElement("capsfilter");
    GstElement* enc = format == "MJPG" ? makeElement("jpegenc") : makeElement("identity");
    GstElement* out = makeElement("capsfilter");
    if (src == nullptr || balance == nullptr || raw == nullptr || enc == nullptr ||
        out == nullptr) {
        dropAll({src, balance, raw, enc, out});
        return nullptr;
    }
    g_object_set(src, "is-live", TRUE, nullptr);
    gst_util_set_object_arg(G_OBJECT(src), "pattern", "ball");
    gst_object_set_name(GST_OBJECT(raw), "raw");
    gst_object_set_name(GST_OBJECT(enc), "enc");
    gst_object_set_name(GST_OBJECT(out), "format");
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), src, balance, raw, enc, out, nullptr);
    gst_element_link_many(src, balance, raw, enc, out, nullptr);
    ghost(bin, out, "src", "capture");
    // The camera's own format until one is set: its first format at 640 x 480.
    g_autoptr(GstCaps) current = gst_caps_from_string(capsFor(format, 640, 480).c_str());
    applyCameraFormat(bin, current);
    if (!desc.fixedFormat) {
        g_autoptr(GstCaps) offered = cameraCaps(desc.formats);
        StreamConfig::attach(bin, offered, &VirtualSources::applyCameraFormat, current);
    }
    if (desc.deliveredFps > 0) {
        auto* rate = new DeliveredRate();
        rate->period = GST_SECOND / static_cast<GstClockTime>(desc.deliveredFps);
        tsanRelease(rate);  // the probe runs on the camera's streaming thread
        g_autoptr(GstPad) pad = gst_element_get_static_pad(src, "src");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &deliveredRateProbe, rate,
                          [](gpointer p) { delete static_cast<DeliveredRate*>(p); });
    }
    if (desc.busy) {
        g_autoptr(GstPad) pad = gst_element_get_static_pad(src, "src");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &busyProbe, nullptr, nullptr);
    }
    return bin;
}

bool VirtualSources::applyCameraFormat(GstElement* camera, const GstCaps* fixed) {
    if (!GST_IS_BIN(camera) || fixed == nullptr || gst_caps_get_size(fixed) != 1) {
        return false;
    }
    g_autoptr(GstElement) raw = gst_bin_get_by_name(GST_BIN(camera), "raw");
    g_autoptr(GstElement) enc = gst_bin_get_by_name(GST_BIN(camera), "enc");
    g_autoptr(GstElement) out = gst_bin_get_by_name(GST_BIN(camera), "format");
    if (raw == nullptr || enc == nullptr || out == nullptr) {
        return false;
    }
    const GstStructure* s = gst_caps_get_structure(fixed, 0);
    const bool jpeg = gst_structure_has_name(s, "image/jpeg");
    // A compressed format is encoded from an I420 picture of the same size and rate.
    GstStructure* rs = gst_structure_copy(s);
    if (jpeg) {
        gst_structure_set_name(rs, "video/x-raw");
        gst_structure_set(rs, "format", G_TYPE_STRING, "I420", nullptr);
    }
    g_autoptr(GstCaps) rawCaps = gst_caps_new_full(rs, nullptr);
    GstElementFactory* factory = gst_element_get_factory(enc);
    const bool hasJpegEnc =
        factory != nullptr &&
        std::string(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory))) == "jpegenc";
    // The new caps first: linking checks them.
    g_object_set(raw, "caps", rawCaps, nullptr);
    g_object_set(out, "caps", fixed, nullptr);
    if (jpeg != hasJpegEnc) {
        GstElement* next = makeElement(jpeg ? "jpegenc" : "identity");
        if (next == nullptr) {
            return false;
        }
        gst_element_unlink_many(raw, enc, out, nullptr);
        gst_bin_remove(GST_BIN(camera), enc);
        gst_object_set_name(GST_OBJECT(next), "enc");
        gst_bin_add(GST_BIN(camera), next);
        if (gst_element_link_many(raw, next, out, nullptr) == FALSE) {
            return false;
        }
    }
    return true;
}

GstElement* VirtualSources::createMicrophone(const VirtualDeviceDesc&) {
    GstElement* src = makeElement("audiotestsrc");
    GstElement* filter = makeElement("capsfilter");
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
    GstElement* convert = makeElement("audioconvert");
    GstElement* resample = makeElement("audioresample");
    GstElement* sink = makeElement("fakesink");
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
    GstElement* filter = makeElement("capsfilter");
    if (filter == nullptr) {
        dropAll({source});
        return nullptr;
    }
    gst_object_set_name(GST_OBJECT(filter), "format");  // where a chosen capture format goes
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), source, filter, nullptr);
    gst_element_link(source, filter);
    ghost(bin, filter, "src", "capture");
    return bin;
}

}  // namespace platform::media
