// MyTransFilter: the in-place frame filter (zoom, date/time stamps, debug overlay, stills, motion).
//
// Threads. Transform and CheckInputType run on the streaming thread, one at a time (the GStreamer
// element calls CheckInputType from set_info, serialised with the frames). The capture component
// calls everything under "component side" from the user-interface thread. What they share is
// atomic: the flags, the requested size, the zoom value and table entries, the elapsed time, the
// owner pointer. The still buffer is plain memory handed over by the still handshake: the
// streaming thread fills it completely and then publishes m_stillReady (release); the component
// clears m_stillReady before it sets m_stillRequest (release) and polls m_stillReady (acquire).
// The still buffer itself is behind stillLock_, held only to swap a finished still in
// (streaming thread: it converts into a back buffer first) and to copy it out (copyStill): a
// still taken by the motion trigger while a copy runs can never tear the copy.
//
// Allocation. Every block the frame path needs (still buffer, motion frames, zoom scratch, stamp
// images, glyph cache) is allocated at format time, in CheckInputType, for the requested frame
// size and variant. Transform allocates only if the requested size or the variant changed after
// the format was set (once per change, never per frame); otherwise the frame path allocates
// nothing and does no I/O. The zoom table is allocated by the first SetZoomValue, on the
// user-interface thread.
//
// Variants (FilterVariant). The main edition's frame path takes no lock. The branded edition's
// holds m_lock for the whole frame, and its component-side reconfiguration (requested size, the
// four step flags, the still request) takes m_lock too, so a frame runs with one configuration.
// Nothing is allocated under m_lock: a re-prepare happens before the frame takes it. The owner's
// Motion() is called after m_lock is released, so the owner may reconfigure the filter from it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "filter/DebugOverlay.h"
#include "filter/FilterTypes.h"
#include "filter/FrameView.h"
#include "filter/GlyphFont.h"
#include "filter/MotionDetect.h"
#include "filter/StampComposite.h"
#include "filter/TextRasterizer.h"
#include "filter/ZoomRemap.h"

namespace filter {

// Elapsed recording time as the time stamp shows it.
struct ElapsedTime {
    int32_t hours = 0, minutes = 0, seconds = 0;
    friend bool operator==(const ElapsedTime&, const ElapsedTime&) = default;
};

enum class FrameFormat { YUY2, RGB24 };

class MyTransFilter {
  public:
    static constexpr int32_t kDefaultWidth = 640;
    static constexpr int32_t kDefaultHeight = 480;
    static constexpr int32_t kDefaultMotionThreshold = 100;
    static constexpr int32_t kTimeTop = 10;  // the time stamp's first row from the picture's top

    MyTransFilter();
    ~MyTransFilter();
    MyTransFilter(const MyTransFilter&) = delete;
    MyTransFilter& operator=(const MyTransFilter&) = delete;

    // ---- the transform filter's operations (streaming thread) ----

    // Accepts video types with a format block of at least 88 bytes (a VIDEOINFOHEADER) whose
    // biSize is not 0, and whose subtype is YUY2 or RGB24 (main variant) or whose format block
    // says YUY2 (biCompression "YUY2") or RGB24 (biCompression BI_RGB or "RGB2" with biBitCount
    // 24; branded variant, whatever the subtype); anything else fails with kVfwE_TypeNotAccepted.
    // Resets the debug state, the elapsed time and the connect tick, marks the date dirty, takes
    // today's date for the date stamp and allocates the frame path's blocks.
    HResult CheckInputType(const MediaType& type);
    // Always S_Ok.
    HResult CheckTransform(const MediaType& in, const MediaType& out) const;
    // Always E_Unexpected: the in-place base enumerates the types itself.
    HResult GetMediaType(int32_t position, MediaType* type) const;
    // The per-frame pipeline, all in place. Main: zoom, debug overlay, stamps, still/motion step.
    // Branded: nothing at all while the four step flags are off; else still/motion step (every
    // RGB24 frame, YUY2 frames only with the still flag), debug overlay, stamps; no zoom. A null
    // sample is E_Pointer; everything else is S_Ok and leaves the sample's size and type alone.
    HResult Transform(FrameSample* sample);

    // ---- component side: the edition ----

    // Chooses the variant (default Main). Only while no frames flow (before the element joins a
    // graph, or while it is stopped): the variant's geometry (the date image) is prepared again
    // by the next CheckInputType or frame.
    void setVariant(FilterVariant v) { variant_.store(v, std::memory_order_release); }
    FilterVariant variant() const { return variant_.load(std::memory_order_acquire); }

    // ---- component side: configuration on each graph build ----

    // The component that receives Motion(); null for none. Must outlive the streaming.
    void setOwner(FilterOwner* owner) { m_owner.store(owner, std::memory_order_release); }
    // Frame size chosen for the capture format (m_requestedWidth/Height); 640 x 480 when either
    // is 0 or negative. Every frame is addressed with this size, not the format block's.
    void setRequestedSize(int32_t width, int32_t height);
    int32_t requestedWidth() const;
    int32_t requestedHeight() const;
    // setRequestedSize, then CheckInputType with a video type of that size and format. RGB24 rows
    // are bottom-up by default (the platform's order); GStreamer's BGR frames are top-down. Runs
    // CheckInputType on the calling thread: only while no frames flow.
    HResult setFrameFormat(int32_t width, int32_t height, FrameFormat format,
                           bool rgbBottomUp = true);

    // The four step flags (branded variant: under m_lock, so they change between frames).
    void setAddTime(bool on);
    bool addTime() const { return m_addTime.load(std::memory_order_acquire); }
    void setShowDate(bool on);
    bool showDate() const { return m_showDate.load(std::memory_order_acquire); }
    void setStillByFilter(bool on);
    bool stillByFilter() const { return m_stillByFilter.load(std::memory_order_acquire); }
    void ShowStreamDebug(bool on);
    bool showStreamDebug() const { return m_showStreamDebug.load(std::memory_order_acquire); }

    // ---- component side: still handshake (StillImg / GetImg) ----

    // m_stillReady := 0, then m_stillRequest := 1, in this order (branded variant: under m_lock).
    void requestStill();
    bool stillReady() const { return m_stillReady.load(std::memory_order_acquire); }
    bool stillRequested() const { return m_stillRequest.load(std::memory_order_acquire); }
    // The last still: requestedWidth x requestedHeight pixels of blue, green, red, rows packed,
    // row 0 first. From YUY2 frames row 0 is the top of the picture, from RGB24 frames the bottom
    // (the platform's order), whatever the order of the frames' own rows. Black until the first
    // still. Unguarded: only while no frames flow (tests); copyStill is the way in otherwise.
    std::span<const uint8_t> stillBuffer() const {
        return {m_stillBuffer.get(), m_stillBufferSize};
    }
    // Copies the last still of width x height into `dst` (rows of width x 3 bytes, `dstStride`
    // apart), top row first when `topFirst`, else bottom row first. False, copying nothing, when
    // there is no still of that size. Takes stillLock_ for the copy only.
    bool copyStill(int32_t width, int32_t height, bool topFirst, uint8_t* dst,
                   ptrdiff_t dstStride) const;
    // True once a still (requested or taken by the motion trigger) has filled the buffer at its
    // present size; false again when a new frame size replaces the buffer.
    bool stillFilled() const { return stillFilled_.load(std::memory_order_acquire); }
    // 1 for YUY2 frames, 0 for RGB24 (m_isYuy2; GetImg's row order depends on it).
    int32_t isYuy2() const { return m_isYuy2.load(std::memory_order_acquire); }

    // ---- component side: motion ----

    void setMotionEnabled(bool on) { m_motionEnabled.store(on, std::memory_order_release); }
    bool motionEnabled() const { return m_motionEnabled.load(std::memory_order_acquire); }
    void setMotionThreshold(int32_t t) { m_motionThreshold.store(t, std::memory_order_release); }
    int32_t motionThreshold() const { return m_motionThreshold.load(std::memory_order_acquire); }

    // ---- component side: zoom ----

    // m_zoom := zoom (percent, 100 = off; the branded variant stores it but never zooms); copies
    // `bytes` bytes of `map` (whole entries, at most the table's 3 840 000 entries; a negative
    // count or a null map copies nothing) into the zoom table. Entries not copied keep their values
    // (initially the identity).
    void SetZoomValue(int32_t zoom, const int32_t* map, int32_t bytes);
    int32_t zoom() const { return m_zoom.load(std::memory_order_acquire); }
    // One entry of the zoom table (the identity before the first SetZoomValue); for tests.
    int32_t zoomMapEntry(size_t index) const;

    // ---- component side: elapsed time (FilterTimerTimer) ----

    // The elapsed time `nowMs` - connect tick, rounded to the nearest second and wrapped at 24 h:
    // ms := now - connect + 500 (32-bit, so tick wrap-around is harmless), s := ms / 1000,
    // seconds := s mod 60, minutes := (s / 60) mod 60, hours := (s / 3600) mod 24.
    static ElapsedTime elapsedFromTicks(uint32_t nowMs, uint32_t connectTickMs);
    // Writes the elapsed fields from the tick count `nowMs` and sets the time-dirty flag.
    void updateElapsed(uint32_t nowMs);
    // Writes the elapsed fields and sets the time-dirty flag.
    void setElapsed(const ElapsedTime& t);
    ElapsedTime elapsed() const;
    uint32_t connectTick() const { return m_connectTick.load(std::memory_order_acquire); }
    // Set by the first frame that reaches Transform (the component's timer waits for it).
    bool streaming() const { return m_streaming.load(std::memory_order_acquire); }

    // ---- tests and benchmarks ----

    // Time sources (default: systemClock()). Set before streaming.
    void setClock(FilterClock* clock) { clock_ = clock != nullptr ? clock : &systemClock(); }
    // Streaming-thread state, read by tests between frames.
    StampImage dateImage() const { return dateStamp_; }
    StampImage timeImage() const { return timeStamp_; }
    int32_t dateLeft() const { return m_dateLeft; }
    int32_t timeLeft() const { return m_timeLeft; }
    bool dateDirty() const { return m_dateDirty.load(std::memory_order_acquire); }
    bool timeDirty() const { return m_timeDirty.load(std::memory_order_acquire); }
    float frameRate() const { return m_frameRate; }
    std::span<const int32_t> rateHistory() const { return {m_rateHistory, kRateHistoryEntries}; }
    MotionBox pixelBox() const { return m_pixelBox; }
    MotionBox windowBox() const { return m_windowBox; }
    // The rasteriser of both stamps: Arial (Liberation Sans) at frame height / 20 points, opened
    // at the first format. The main date's face is left to us and is this one too, so the branded
    // date ("Arial", height / 20) needs no face of its own.
    const TextRasterizer& stampFont() const { return font_; }
    // The characters the stamp glyph cache holds.
    static constexpr const char* kStampCharset = "0123456789-:_";

  private:
    // What Transform needs of a sample, with its time stamps recorded.
    struct FrameSetup {
        FrameView frame;
        bool yuy2 = false;
        bool fits = false;  // the sample holds the whole requested frame
    };

    HResult transformMain(FrameSample* sample);
    HResult transformBranded(FrameSample* sample);
    FrameSetup beginFrame(FrameSample* sample, int32_t w, int32_t h);
    bool anyStepOn() const;
    // Runs `apply` under m_lock in the branded variant, without it in the main one.
    template <typename F>
    void reconfigure(F&& apply);
    void resetDebugState();
    bool preparedFor(int32_t width, int32_t height, FilterVariant v) const;
    void prepare(int32_t width, int32_t height);
    void renderStampsIfDirty();
    void renderDate();
    void renderTime();
    void drawOverlays(const FrameView& frame, bool yuy2, FilterVariant v);
    void drawDebugOverlay(const FrameView& frame, FilterVariant v);
    // Returns whether motion was detected (the owner is told by the caller).
    bool stillMotionStep(const FrameView& frame);
    void notifyMotion();
    void convertStill(const FrameView& frame);
    void frameTo24(const FrameView& frame, uint8_t* dst) const;

    // Shared with the user-interface thread (atomics; see the file comment).
    std::atomic<uint64_t> m_requested;  // width << 32 | height
    std::atomic<int32_t> m_isYuy2{1};
    std::atomic<bool> m_addTime{false};
    std::atomic<bool> m_showDate{false};
    std::atomic<bool> m_stillByFilter{false};
    std::atomic<bool> m_showStreamDebug{false};
    std::atomic<bool> m_stillRequest{false};
    std::atomic<bool> m_stillReady{false};
    std::atomic<bool> stillFilled_{false};
    std::atomic<bool> m_motionEnabled{false};
    std::atomic<int32_t> m_motionThreshold{kDefaultMotionThreshold};
    std::atomic<FilterOwner*> m_owner{nullptr};
    std::atomic<int32_t> m_zoom{100};
    std::unique_ptr<std::atomic<int32_t>[]> zoomMapStorage_;  // written by SetZoomValue only
    std::atomic<std::atomic<int32_t>*> m_zoomMap{nullptr};    // published once, never freed early
    std::atomic<bool> m_streaming{false};
    std::atomic<bool> m_dateDirty{false};
    std::atomic<bool> m_timeDirty{false};
    std::atomic<uint32_t> m_elapsed{0};  // hours << 16 | minutes << 8 | seconds: never torn
    std::atomic<uint32_t> m_connectTick{0};
    std::atomic<FilterVariant> variant_{FilterVariant::Main};  // written while no frames flow
    // Branded variant: held by Transform for the whole frame and by the component-side setters
    // of the requested size, the four step flags and the still request. Guards no data of its
    // own (those are atomics): it keeps a frame's configuration from changing under it.
    std::mutex m_lock;

    // Streaming thread only.
    FilterClock* clock_;
    MediaType m_mediaType;
    platform::VideoInfoHeader m_videoInfo;
    int32_t m_frameWidth = 0;
    int32_t m_frameHeight = 0;
    bool rgbBottomUp_ = true;  // RGB24 rows bottom line first (positive biHeight)
    LocalDate today_;          // the date the stamp shows: the day the format was accepted

    // The published still; guarded by stillLock_ (written by the streaming thread, read by
    // copyStill). Only the streaming thread writes them, so it reads them without the lock.
    mutable std::mutex stillLock_;
    std::unique_ptr<uint8_t[]> m_stillBuffer;
    size_t m_stillBufferSize = 0;
    int32_t stillWidth_ = 0;  // the published still's size; 0 while there is none
    int32_t stillHeight_ = 0;
    bool stillYuy2_ = true;  // its row 0 is the top of the picture
    // Streaming thread only: where the next still is converted before it is swapped in.
    std::unique_ptr<uint8_t[]> stillBack_;

    int32_t preparedWidth_ = 0;
    int32_t preparedHeight_ = 0;
    FilterVariant preparedVariant_ = FilterVariant::Main;
    std::unique_ptr<uint8_t[]> m_motionReference;  // packed BGR, width x height x 3
    std::unique_ptr<uint8_t[]> motionCurrent_;     // the frame under test, same form
    bool hasReference_ = false;
    std::unique_ptr<int32_t[]> rowSums_;  // 2 x width, for the window test
    std::unique_ptr<uint8_t[]> insetScratch_;
    std::unique_ptr<uint8_t[]> zoomScratch_;  // width x height x 2; main variant only
    MotionBox m_pixelBox;
    MotionBox m_windowBox;

    TextRasterizer font_;
    bool fontTried_ = false;
    std::unique_ptr<uint8_t[]> m_dateImage;
    std::unique_ptr<uint8_t[]> m_timeImage;
    StampImage dateStamp_;  // views of the two images with their lit bounds
    StampImage timeStamp_;
    int32_t m_dateWidth = 0, m_dateHeight = 0, m_dateLeft = 0;
    int32_t m_timeWidth = 0, m_timeHeight = 0, m_timeLeft = 0;
    int32_t m_glyphHeight = kGlyphHeight;
    int32_t m_glyphAdvance = kGlyphAdvance;

    int64_t m_sampleStart = 0, m_sampleStop = 0;
    int64_t m_mediaStart = 0, m_mediaStop = 0;
    int64_t m_prevSampleStart = 0;
    int64_t m_firstClock = -1;
    int64_t m_clockNow = -1;
    float m_frameRate = 0.0f;
    int32_t m_rateHistory[kRateHistoryEntries];
};

}  // namespace filter
