// The element in front of the AVI multiplexer's video input that keeps a clip in time with a
// camera sending fewer frames than its caps' rate: an AVI has one chunk per frame slot and no
// timestamps, so each slot that got no frame is given an empty (zero-size) buffer, which the
// multiplexer writes as an empty chunk that players show as the previous picture.
//
// Slots: a grid at the caps' frame rate anchored at the first buffer; a buffer belongs to its
// nearest slot. Every buffer passes, in order; two in one slot both pass, and the file's slot
// count then runs one ahead until a later gap takes it back. A time that goes back or jumps
// more than a minute starts a new grid unfilled. Without a usable framerate (absent, 0/1) the
// element passes buffers only.
//
// Threads: the vfuncs run on the streaming thread, stop on the state change thread once
// streaming has stopped; the state needs no lock.
#pragma once

#include <gst/base/gstbasetransform.h>

#include "Filter.h"

G_BEGIN_DECLS

#define TWK_TYPE_FRAME_SLOT_FILLER (twk_frame_slot_filler_get_type())
G_DECLARE_FINAL_TYPE(TwkFrameSlotFiller, twk_frame_slot_filler, TWK, FRAME_SLOT_FILLER,
                     GstBaseTransform)

G_END_DECLS

namespace platform::media {

class FrameSlotFiller {
  public:
    static constexpr const char* kFactory = "twkframeslotfiller";

    // Registers the element in-process (once; needs gst_init).
    static bool registerElement();
    // A new filler; E_ClassNotRegistered when registration failed.
    static HResult create(Filter& out);
};

}  // namespace platform::media
