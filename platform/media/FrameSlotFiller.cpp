// twkframeslotfiller: empty buffers for the frame slots a camera left without a frame.
#include "FrameSlotFiller.h"

#include <mutex>

#include "GstRef.h"
#include "platform/TsanAnnotations.h"

namespace {

// A jump this long is a broken timestamp or a new timeline, not a camera that paused: the grid
// starts again at the buffer instead of filling it.
constexpr GstClockTime kLongestGap = 60 * GST_SECOND;

// Streaming thread only (see the header).
struct SlotState {
    int fpsN = 0;  // the caps' rate; 0: no grid, buffers only pass
    int fpsD = 1;
    GstClockTime origin = GST_CLOCK_TIME_NONE;  // time of slot 0
    guint64 written = 0;                        // slots given downstream since the origin
    guint64 nextEmpty = 0;                      // slot of the next empty buffer to give
    guint64 emptyUntil = 0;                     // ... up to this slot, then the held buffer
    // Reused while downstream has let go of it, so a steady gap allocates nothing.
    platform::media::GstRef<GstBuffer> empty;

    void restart() {
        origin = GST_CLOCK_TIME_NONE;
        written = nextEmpty = emptyUntil = 0;
    }
    GstClockTime slotTime(guint64 slot) const {
        return origin + gst_util_uint64_scale(slot, GST_SECOND * static_cast<guint64>(fpsD),
                                              static_cast<guint64>(fpsN));
    }
};

}  // namespace

struct _TwkFrameSlotFiller {
    GstBaseTransform parent;
    SlotState* state;  // owned; GObject runs no constructors, so a pointer
};

G_DEFINE_TYPE(TwkFrameSlotFiller, twk_frame_slot_filler, GST_TYPE_BASE_TRANSFORM)

namespace {

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

SlotState& stateOf(GstBaseTransform* trans) {
    return *TWK_FRAME_SLOT_FILLER(trans)->state;
}

// Decode order where an encoder gives one (its presentation order may go back and forth).
GstClockTime timeOf(GstBuffer* b) {
    return GST_BUFFER_DTS_IS_VALID(b) ? GST_BUFFER_DTS(b) : GST_BUFFER_PTS(b);
}

gboolean setCaps(GstBaseTransform* trans, GstCaps* in, GstCaps*) {
    SlotState& s = stateOf(trans);
    int n = 0;
    int d = 0;
    const GstStructure* st = gst_caps_get_size(in) > 0 ? gst_caps_get_structure(in, 0) : nullptr;
    if (st != nullptr && gst_structure_get_fraction(st, "framerate", &n, &d) && n > 0 && d > 0) {
        s.fpsN = n;
        s.fpsD = d;
    } else {
        s.fpsN = 0;  // variable or unknown rate: no slots to keep
    }
    s.restart();
    return TRUE;
}

gboolean sinkEvent(GstBaseTransform* trans, GstEvent* event) {
    switch (GST_EVENT_TYPE(event)) {
        case GST_EVENT_SEGMENT:
        case GST_EVENT_FLUSH_STOP:
        case GST_EVENT_STREAM_START:
            stateOf(trans).restart();  // a new timeline
            break;
        default:
            break;
    }
    return GST_BASE_TRANSFORM_CLASS(twk_frame_slot_filler_parent_class)->sink_event(trans, event);
}

gboolean stop(GstBaseTransform* trans) {
    SlotState& s = stateOf(trans);
    s.restart();
    s.empty.reset();
    return TRUE;
}

// The input goes to queued_buf (the base class's negotiation on the way); here it is placed on
// the grid and the slots since the last buffer are counted.
GstFlowReturn submitInputBuffer(GstBaseTransform* trans, gboolean discont, GstBuffer* input) {
    const GstFlowReturn ret = GST_BASE_TRANSFORM_CLASS(twk_frame_slot_filler_parent_class)
                                  ->submit_input_buffer(trans, discont, input);
    SlotState& s = stateOf(trans);
    if (ret != GST_FLOW_OK || trans->queued_buf == nullptr || s.fpsN == 0) {
        return ret;
    }
    platform::tsanAcquire(trans->queued_buf);  // times set on an upstream thread
    const GstClockTime t = timeOf(trans->queued_buf);
    if (!GST_CLOCK_TIME_IS_VALID(t)) {
        return ret;  // cannot be placed: it takes the next slot
    }
    if (GST_CLOCK_TIME_IS_VALID(s.origin) &&
        (t < s.origin || t > s.slotTime(s.written) + kLongestGap)) {
        s.restart();
    }
    if (!GST_CLOCK_TIME_IS_VALID(s.origin)) {
        s.origin = t;
    }
    const guint64 slot = gst_util_uint64_scale_round(t - s.origin, static_cast<guint64>(s.fpsN),
                                                     GST_SECOND * static_cast<guint64>(s.fpsD));
    if (slot > s.written) {
        s.nextEmpty = s.written;
        s.emptyUntil = slot;
    }
    return ret;
}

GstBuffer* emptyBuffer(SlotState& s, GstClockTime pts, GstClockTime duration) {
    if (!s.empty || !gst_buffer_is_writable(s.empty.get())) {
        s.empty = platform::media::GstRef<GstBuffer>::adopt(gst_buffer_new());
    }
    GstBuffer* b = s.empty.get();
    platform::tsanAcquire(b);  // writable again: its last reader has let it go
    // Not a key frame: the slot shows the picture before it.
    GST_BUFFER_FLAGS(b) = GST_BUFFER_FLAG_GAP | GST_BUFFER_FLAG_DELTA_UNIT;
    GST_BUFFER_PTS(b) = pts;
    GST_BUFFER_DTS(b) = pts;
    GST_BUFFER_DURATION(b) = duration;
    GST_BUFFER_OFFSET(b) = GST_BUFFER_OFFSET_NONE;
    GST_BUFFER_OFFSET_END(b) = GST_BUFFER_OFFSET_NONE;
    platform::tsanRelease(b);  // read by the multiplexer, maybe on another input's thread
    return gst_buffer_ref(b);
}

// Called until it gives nothing: the empty slots first, then the buffer itself.
GstFlowReturn generateOutput(GstBaseTransform* trans, GstBuffer** out) {
    SlotState& s = stateOf(trans);
    *out = nullptr;
    if (trans->queued_buf == nullptr) {
        return GST_FLOW_OK;
    }
    if (s.nextEmpty < s.emptyUntil) {
        const GstClockTime at = s.slotTime(s.nextEmpty);
        *out = emptyBuffer(s, at, s.slotTime(s.nextEmpty + 1) - at);
        ++s.nextEmpty;
        ++s.written;
        return GST_FLOW_OK;
    }
    *out = trans->queued_buf;
    trans->queued_buf = nullptr;
    if (s.fpsN != 0) {
        ++s.written;
    }
    return GST_FLOW_OK;
}

}  // namespace

static void twk_frame_slot_filler_init(TwkFrameSlotFiller* self) {
    self->state = new SlotState();
    // Buffers pass untouched: allocation queries go through to the multiplexer.
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), TRUE);
    gst_base_transform_set_qos_enabled(GST_BASE_TRANSFORM(self), FALSE);
}

static void twk_frame_slot_filler_finalize(GObject* object) {
    auto* self = TWK_FRAME_SLOT_FILLER(object);
    delete self->state;
    self->state = nullptr;
    G_OBJECT_CLASS(twk_frame_slot_filler_parent_class)->finalize(object);
}

static void twk_frame_slot_filler_class_init(TwkFrameSlotFillerClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = twk_frame_slot_filler_finalize;
    auto* elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(elementClass, &sinkTemplate);
    gst_element_class_add_static_pad_template(elementClass, &srcTemplate);
    gst_element_class_set_static_metadata(
        elementClass, "Frame slot filler", "Filter/Video",
        "Empty buffers for the frame slots a source left without a frame", "Tarnwick");
    auto* btClass = GST_BASE_TRANSFORM_CLASS(klass);
    btClass->set_caps = setCaps;
    btClass->sink_event = sinkEvent;
    btClass->stop = stop;
    btClass->submit_input_buffer = submitInputBuffer;
    btClass->generate_output = generateOutput;
}

namespace platform::media {

bool FrameSlotFiller::registerElement() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        ok = gst_element_register(nullptr, kFactory, GST_RANK_NONE, TWK_TYPE_FRAME_SLOT_FILLER) ==
             TRUE;
    });
    return ok;
}

HResult FrameSlotFiller::create(Filter& out) {
    out = Filter();
    if (!registerElement()) {
        return E_ClassNotRegistered;
    }
    return Filter::create(kFactory, out);
}

}  // namespace platform::media
