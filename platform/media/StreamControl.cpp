// StreamControl: the shut/open probe, the 0-based rebase and the EOS hand-off.
#include "StreamControl.h"

#include <chrono>

#include "SegmentRebase.h"
#include "platform/TsanAnnotations.h"

namespace platform::media {
namespace {

int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The running time of the pad's graph now, in ns; -1 while the graph has no clock (not
// running yet).
int64_t runningTimeNow(GstPad* pad) {
    g_autoptr(GstElement) element = gst_pad_get_parent_element(pad);
    if (element == nullptr) {
        return -1;
    }
    g_autoptr(GstClock) clock = gst_element_get_clock(element);
    if (clock == nullptr) {
        return -1;
    }
    const GstClockTime now = gst_clock_get_time(clock);
    const GstClockTime base = gst_element_get_base_time(element);
    return now >= base ? static_cast<int64_t>(now - base) : -1;
}

}  // namespace

StreamControl::~StreamControl() {
    // Destroyed with the graph stopped (the component releases its controls after Stop), so
    // no streaming thread is inside the probe.
    if (pad_ && probeId_ != 0) {
        gst_pad_remove_probe(pad_.get(), probeId_);
    }
}

HResult StreamControl::create(Pin& pin, std::shared_ptr<StreamControl>& out) {
    out.reset();
    if (!pin || pin.direction() != PinDirection::Output) {
        return E_Pointer;
    }
    GstPad* pad = pin.materialize();
    if (pad == nullptr) {
        return E_Fail;
    }
    std::shared_ptr<StreamControl> c(new StreamControl());
    c->pad_ = GstRef<GstPad>::ref(pad);
    gst_segment_init(&c->segment_, GST_FORMAT_TIME);
    const auto types =
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST |
                                     GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM);
    tsanRelease(c.get());  // the probe runs on the streaming thread
    c->probeId_ = gst_pad_add_probe(pad, types, &StreamControl::onProbe, c.get(), nullptr);
    if (c->probeId_ == 0) {
        return E_Fail;
    }
    out = std::move(c);
    return S_Ok;
}

HResult StreamControl::startAt(const int64_t* time, uint32_t) {
    int64_t ns = kNow;
    if (time != nullptr) {
        ns = *time == kMaxTime ? kMaxTime : *time * 100;
    } else if (const int64_t now = pad_ ? runningTimeNow(pad_.get()) : -1; now >= 0) {
        // Every stream opens at the same instant, whatever its own lag: a camera whose frames
        // arrive late would otherwise start the picture earlier than the sound.
        ns = now;
    }
    startNs_.store(ns, std::memory_order_release);
    return S_Ok;
}

HResult StreamControl::stopAt(const int64_t* time, bool, uint32_t) {
    int64_t ns = kNow;
    if (time != nullptr) {
        ns = *time == kMaxTime ? kMaxTime : *time * 100;
    }
    stopNs_.store(ns, std::memory_order_release);
    return S_Ok;
}

void StreamControl::requestEndOfStream(int64_t stopNs) {
    eosAtNs_.store(stopNs, std::memory_order_release);
    eosRequested_.store(true, std::memory_order_release);
}

bool StreamControl::idleFor(int ms) const {
    return steadyMs() - lastBufferMs_.load(std::memory_order_acquire) >= ms;
}

bool StreamControl::pushEndOfStream() {
    if (endOfStreamSent()) {
        return true;
    }
    if (!pad_) {
        return false;
    }
    // A streaming thread that still sits inside the element behind us (a multiplexer waiting
    // for its other input) holds that pad's stream lock: pushing now would wait for it, so
    // leave the stream alone rather than block the GUI thread.
    g_autoptr(GstPad) peer = gst_pad_get_peer(pad_.get());
    if (peer != nullptr && !GST_PAD_STREAM_TRYLOCK(peer)) {
        return false;
    }
    gst_pad_push_event(pad_.get(), gst_event_new_eos());
    if (peer != nullptr) {
        GST_PAD_STREAM_UNLOCK(peer);
    }
    eosSent_.store(true, std::memory_order_release);
    return true;
}

// Streaming thread. Never throws; allocates only what GStreamer does for a new event or a
// writable buffer header.
GstPadProbeReturn StreamControl::onProbe(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
    tsanAcquire(self);
    auto* c = static_cast<StreamControl*>(self);
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) != 0) {
        return c->onEvent(info);
    }
    return c->onBuffer(pad, info);
}

GstPadProbeReturn StreamControl::onEvent(GstPadProbeInfo* info) {
    GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
    switch (GST_EVENT_TYPE(ev)) {
        case GST_EVENT_SEGMENT: {
            const GstSegment* in = nullptr;
            gst_event_parse_segment(ev, &in);
            if (in == nullptr || in->format != GST_FORMAT_TIME) {
                haveSegment_ = false;
                return GST_PAD_PROBE_OK;
            }
            gst_segment_copy_into(in, &segment_);
            haveSegment_ = true;
            // Downstream sees one 0-based timeline that starts at the opening.
            replaceWithZeroSegment(info);
            return GST_PAD_PROBE_OK;
        }
        case GST_EVENT_EOS:
            eosSent_.store(true, std::memory_order_release);
            return GST_PAD_PROBE_OK;
        default:
            return GST_PAD_PROBE_OK;
    }
}

bool StreamControl::passes(GstClockTime runningTime) {
    if (!GST_CLOCK_TIME_IS_VALID(runningTime)) {
        return originNs_ >= 0 && stopNs_.load(std::memory_order_acquire) == kMaxTime;
    }
    const auto rt = static_cast<int64_t>(runningTime);
    int64_t start = startNs_.load(std::memory_order_acquire);
    if (start == kNow && startNs_.compare_exchange_strong(start, rt, std::memory_order_acq_rel)) {
        start = rt;
    }
    int64_t stop = stopNs_.load(std::memory_order_acquire);
    if (stop == kNow && stopNs_.compare_exchange_strong(stop, rt, std::memory_order_acq_rel)) {
        stop = rt;
    }
    if (start == kMaxTime || start == kNow || rt < start) {
        return false;
    }
    // A stop before the start belongs to an earlier span: the stream runs again.
    return stop == kMaxTime || stop == kNow || stop < start || rt < stop;
}

GstBuffer* StreamControl::rebase(GstBuffer* buffer) {
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    const GstClockTime dts = GST_BUFFER_DTS(buffer);
    const GstClockTime rtPts = gst_segment_to_running_time(&segment_, GST_FORMAT_TIME, pts);
    const GstClockTime rtDts = gst_segment_to_running_time(&segment_, GST_FORMAT_TIME, dts);
    if (originNs_ < 0 && GST_CLOCK_TIME_IS_VALID(rtPts)) {
        originNs_ = static_cast<int64_t>(rtPts);
    }
    buffer = gst_buffer_make_writable(buffer);
    const auto origin = static_cast<GstClockTime>(originNs_ < 0 ? 0 : originNs_);
    GST_BUFFER_PTS(buffer) =
        GST_CLOCK_TIME_IS_VALID(rtPts) && rtPts >= origin ? rtPts - origin : GST_CLOCK_TIME_NONE;
    GST_BUFFER_DTS(buffer) =
        GST_CLOCK_TIME_IS_VALID(rtDts) && rtDts >= origin ? rtDts - origin : GST_CLOCK_TIME_NONE;
    if (GST_BUFFER_PTS_IS_VALID(buffer)) {
        lastPts_.store(static_cast<int64_t>(GST_BUFFER_PTS(buffer) / 100),
                       std::memory_order_release);
    }
    tsanRelease(buffer);  // the frame filter reads these times on a thread of its own
    return buffer;
}

GstPadProbeReturn StreamControl::onBuffer(GstPad* pad, GstPadProbeInfo* info) {
    if (eosSent_.load(std::memory_order_acquire)) {
        return GST_PAD_PROBE_DROP;
    }
    lastBufferMs_.store(steadyMs(), std::memory_order_release);
    if (eosRequested_.load(std::memory_order_acquire)) {
        GstBuffer* b = (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER_LIST) != 0
                           ? gst_buffer_list_get(GST_PAD_PROBE_INFO_BUFFER_LIST(info), 0)
                           : GST_PAD_PROBE_INFO_BUFFER(info);
        const int64_t at = eosAtNs_.load(std::memory_order_acquire);
        const GstClockTime rt =
            b != nullptr && haveSegment_
                ? gst_segment_to_running_time(&segment_, GST_FORMAT_TIME, GST_BUFFER_PTS(b))
                : GST_CLOCK_TIME_NONE;
        if (at < 0 || !GST_CLOCK_TIME_IS_VALID(rt) || static_cast<int64_t>(rt) >= at) {
            // The probe runs without the pad's lock: the EOS goes out on this thread, in order.
            gst_pad_push_event(pad, gst_event_new_eos());
            eosSent_.store(true, std::memory_order_release);
            return GST_PAD_PROBE_DROP;
        }
    }
    const bool isList = (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER_LIST) != 0;
    GstBuffer* first = nullptr;
    if (isList) {
        GstBufferList* list = GST_PAD_PROBE_INFO_BUFFER_LIST(info);
        first = gst_buffer_list_length(list) > 0 ? gst_buffer_list_get(list, 0) : nullptr;
    } else {
        first = GST_PAD_PROBE_INFO_BUFFER(info);
    }
    if (first == nullptr || !haveSegment_) {
        return GST_PAD_PROBE_DROP;
    }
    const GstClockTime rt =
        gst_segment_to_running_time(&segment_, GST_FORMAT_TIME, GST_BUFFER_PTS(first));
    if (!passes(rt)) {
        return GST_PAD_PROBE_DROP;
    }
    if (isList) {
        GstBufferList* list = gst_buffer_list_make_writable(GST_PAD_PROBE_INFO_BUFFER_LIST(info));
        gst_buffer_list_foreach(
            list,
            [](GstBuffer** b, guint, gpointer self) -> gboolean {
                *b = static_cast<StreamControl*>(self)->rebase(*b);
                return TRUE;
            },
            this);
        GST_PAD_PROBE_INFO_DATA(info) = list;
        passed_.fetch_add(gst_buffer_list_length(list), std::memory_order_acq_rel);
    } else {
        GST_PAD_PROBE_INFO_DATA(info) = rebase(GST_PAD_PROBE_INFO_BUFFER(info));
        passed_.fetch_add(1, std::memory_order_acq_rel);
    }
    return GST_PAD_PROBE_OK;
}

}  // namespace platform::media
