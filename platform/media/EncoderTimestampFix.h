// Works around the libav video encoders of GStreamer 1.22.0, whose output starts at PTS
// 1000 h: a probe on the encoder's output rewrites PTS/DTS to running time and replaces the
// segment by a 0-based one, so a multiplexer that reads raw timestamps (asfmux) gets a
// correct duration and keeps the frames of a live source.
#pragma once

#include <gst/gst.h>

namespace platform::media {

class EncoderTimestampFix {
  public:
    // Installs the probe on the element's "src" pad; the probe owns its state and is freed
    // with the pad. False when the element has no such pad.
    static bool install(GstElement* encoder);
    // True for the encoders that need it (libav video encoders).
    static bool needed(GstElement* encoder);
};

}  // namespace platform::media
