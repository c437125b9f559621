// Start and stop of a recorded stream on an output pin: a pad probe that holds buffers back
// outside the started span, rebases what it lets through to a 0-based timeline, and ends the
// stream with EOS when the recording is finished.
//
// Threads: startAt/stopAt/endOfStream run on the GUI thread; the probe runs on the pin's
// streaming thread. They share only atomics (release on publish, acquire on poll); the
// segment and the rebase origin belong to the streaming thread alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include <gst/gst.h>

#include "GstRef.h"
#include "Pin.h"

namespace platform::media {

class StreamControl {
  public:
    // The largest reference time: a start at it never comes, a stop at it is cancelled.
    static constexpr int64_t kMaxTime = INT64_MAX;

    ~StreamControl();
    StreamControl(const StreamControl&) = delete;
    StreamControl& operator=(const StreamControl&) = delete;

    // Puts a control on the pin (a request pin is made first); it starts shut.
    static HResult create(Pin& pin, std::shared_ptr<StreamControl>& out);

    // Times are running times of the graph in 100 ns units. A null start is the graph's
    // running time at the call (the first buffer after the call while the graph has no clock
    // yet), a null stop the first buffer after the call. A start at kMaxTime cancels the
    // start, a stop at kMaxTime the stop.
    HResult startAt(const int64_t* time, uint32_t cookie);
    HResult stopAt(const int64_t* time, bool sendExtra, uint32_t cookie);

    // Finishing: the first buffer at or after the running time `stopNs` (ns; -1: the next
    // buffer) is replaced by EOS on the streaming thread, so frames still on their way when the
    // recording stops are kept and the push never waits behind a multiplexer on the GUI thread.
    void requestEndOfStream(int64_t stopNs = -1);
    // No buffer came for `ms` milliseconds (the source no longer pushes).
    bool idleFor(int ms) const;
    bool endOfStreamSent() const { return eosSent_.load(std::memory_order_acquire); }
    // For a stream whose source no longer pushes (an error, a pulled camera): EOS from the
    // calling thread. False (nothing sent) while a streaming thread is still inside the
    // element behind the pin, so the caller never waits on it.
    bool pushEndOfStream();

    // Buffers let through so far.
    uint64_t buffersPassed() const { return passed_.load(std::memory_order_acquire); }
    // Timestamp of the last buffer let through, 100 ns units from the opening; -1 before.
    int64_t lastPassedTime() const { return lastPts_.load(std::memory_order_acquire); }
    GstPad* pad() const { return pad_.get(); }

  private:
    StreamControl() = default;
    static GstPadProbeReturn onProbe(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    GstPadProbeReturn onBuffer(GstPad* pad, GstPadProbeInfo* info);
    GstPadProbeReturn onEvent(GstPadProbeInfo* info);
    bool passes(GstClockTime runningTime);
    GstBuffer* rebase(GstBuffer* buffer);

    static constexpr int64_t kNow = -1;  // latched to the next buffer's running time

    GstRef<GstPad> pad_;
    gulong probeId_ = 0;
    // Running times in ns (kNow, kMaxTime or a time); written by the GUI thread, latched by
    // the streaming thread with compare-exchange.
    std::atomic<int64_t> startNs_{kMaxTime};
    std::atomic<int64_t> stopNs_{kMaxTime};
    std::atomic<bool> eosRequested_{false};
    std::atomic<int64_t> eosAtNs_{-1};
    std::atomic<int64_t> lastBufferMs_{0};  // steady clock of the last buffer seen
    std::atomic<bool> eosSent_{false};
    std::atomic<uint64_t> passed_{0};
    std::atomic<int64_t> lastPts_{-1};
    // Streaming thread only.
    GstSegment segment_{};
    bool haveSegment_ = false;
    int64_t originNs_ = -1;  // running time of the first buffer let through
};

}  // namespace platform::media
