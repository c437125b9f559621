// EncoderTimestampFix: running-time timestamps behind a libav video encoder.
#include "EncoderTimestampFix.h"

#include <cstring>

#include "SegmentRebase.h"
#include "platform/TsanAnnotations.h"

namespace platform::media {
namespace {

// Streaming thread only: the encoder's output segment.
struct FixState {
    GstSegment segment{};
    bool have = false;
};

GstPadProbeReturn onProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
    tsanAcquire(data);
    auto* st = static_cast<FixState*>(data);
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) != 0) {
        GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(ev) != GST_EVENT_SEGMENT) {
            return GST_PAD_PROBE_OK;
        }
        const GstSegment* in = nullptr;
        gst_event_parse_segment(ev, &in);
        if (in == nullptr || in->format != GST_FORMAT_TIME) {
            return GST_PAD_PROBE_OK;
        }
        gst_segment_copy_into(in, &st->segment);
        st->have = true;
        replaceWithZeroSegment(info);
        return GST_PAD_PROBE_OK;
    }
    if (!st->have) {
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* b = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    const GstClockTime pts =
        gst_segment_to_running_time(&st->segment, GST_FORMAT_TIME, GST_BUFFER_PTS(b));
    GstClockTime dts =
        gst_segment_to_running_time(&st->segment, GST_FORMAT_TIME, GST_BUFFER_DTS(b));
    if (!GST_CLOCK_TIME_IS_VALID(dts)) {
        dts = pts;  // a DTS before the segment: keep the order the encoder gave
    }
    GST_BUFFER_PTS(b) = pts;
    GST_BUFFER_DTS(b) = dts;
    GST_PAD_PROBE_INFO_DATA(info) = b;
    return GST_PAD_PROBE_OK;
}

}  // namespace

bool EncoderTimestampFix::needed(GstElement* encoder) {
    GstElementFactory* f = encoder != nullptr ? gst_element_get_factory(encoder) : nullptr;
    if (f == nullptr) {
        return false;
    }
    const char* name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f));
    const char* klass = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS);
    return std::strncmp(name, "avenc_", 6) == 0 && klass != nullptr &&
           std::strstr(klass, "Video") != nullptr;
}

bool EncoderTimestampFix::install(GstElement* encoder) {
    g_autoptr(GstPad) src = gst_element_get_static_pad(encoder, "src");
    if (src == nullptr) {
        return false;
    }
    const auto types = static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                    GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM);
    auto* state = new FixState();
    tsanRelease(state);  // the probe runs on the encoder's streaming thread
    return gst_pad_add_probe(src, types, &onProbe, state,
                             [](gpointer p) { delete static_cast<FixState*>(p); }) != 0;
}

}  // namespace platform::media
