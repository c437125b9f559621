// The GStreamer element that carries MyTransFilter into a pipeline: an in-place GstVideoFilter.
//
// Caps: video/x-raw with format YUY2 or BGR (the filter's 24-bit RGB24; GStreamer's BGR rows are
// top line first). set_info hands the negotiated format to MyTransFilter::CheckInputType and
// fails negotiation when it refuses; transform_frame_ip runs MyTransFilter::Transform on the
// mapped frame. The element never copies a buffer itself (GstBaseTransform copies a buffer that
// is not writable before an in-place transform: put the element before any tee).
#pragma once

#include <gst/video/gstvideofilter.h>

#include "filter/MyTransFilter.h"

G_BEGIN_DECLS

#define TWK_TYPE_TRANS_FILTER (twk_trans_filter_get_type())
G_DECLARE_FINAL_TYPE(TwkTransFilter, twk_trans_filter, TWK, TRANS_FILTER, GstVideoFilter)

G_END_DECLS

namespace filter {

// The element's factory name ("My TransFilter" is the name the component gives the instance).
constexpr const char* kTransFilterFactory = "twktransfilter";

// Registers the element in-process (gst_element_register with no plugin). Needs gst_init first;
// calling it again is harmless. Returns false when registration fails.
bool registerTransFilterElement();

// The MyTransFilter of a twktransfilter element, or null for any other element. It lives as
// long as the element; its component-side operations may be called from any one other thread.
MyTransFilter* transFilterOf(GstElement* element);

}  // namespace filter
