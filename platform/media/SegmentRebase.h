// Replacing a pad probe's segment event by a 0-based time segment, so downstream sees one
// timeline starting at zero (the encoder fix and the stream control both rebase timestamps).
#pragma once

#include <gst/gst.h>

namespace platform::media {

// Swaps the event in `info` (a SEGMENT event) for a 0-based time segment with the same seqnum.
inline void replaceWithZeroSegment(GstPadProbeInfo* info) {
    GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
    GstSegment zero;
    gst_segment_init(&zero, GST_FORMAT_TIME);
    GstEvent* out = gst_event_new_segment(&zero);
    gst_event_set_seqnum(out, gst_event_get_seqnum(ev));
    gst_event_unref(ev);
    GST_PAD_PROBE_INFO_DATA(info) = out;
}

}  // namespace platform::media
