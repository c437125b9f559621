// MyTransFilter: format checks, the per-frame pipeline and the component-side operations.
#include "filter/MyTransFilter.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "filter/StillConvert.h"

namespace filter {
namespace {

constexpr uint64_t packSize(int32_t w, int32_t h) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(w)) << 32) | static_cast<uint32_t>(h);
}

constexpr uint32_t packElapsed(const ElapsedTime& t) {
    return (static_cast<uint32_t>(t.hours & 0xFFFF) << 16) |
           (static_cast<uint32_t>(t.minutes & 0xFF) << 8) | static_cast<uint32_t>(t.seconds & 0xFF);
}

// Writes v as at least two decimal digits ("%02d" for 0 .. 65535); returns the end.
char* twoDigits(char* p, char* end, int32_t v) {
    if (v >= 0 && v < 10) {
        *p++ = '0';
    }
    return std::to_chars(p, end, v).ptr;
}

}  // namespace

MyTransFilter::MyTransFilter()
    : m_requested(packSize(kDefaultWidth, kDefaultHeight)), clock_(&systemClock()) {
    std::fill(std::begin(m_rateHistory), std::end(m_rateHistory), -1);
}

MyTransFilter::~MyTransFilter() = default;

// ---------------------------------------------------------------------------------------------
// Format (streaming thread)

HResult MyTransFilter::CheckInputType(const MediaType& type) {
    m_mediaType = type;
    if (type.majorType != kMajorVideo || type.format.empty()) {
        return kVfwE_TypeNotAccepted;
    }
    resetDebugState();
    // 88 bytes are copied out of the block: a shorter block is refused rather than over-read.
    if (type.format.size() < sizeof(platform::VideoInfoHeader)) {
        return kVfwE_TypeNotAccepted;
    }
    platform::VideoInfoHeader vih;
    std::memcpy(&vih, type.format.data(), sizeof(vih));
    if (vih.bmiHeader.biSize == 0) {
        return kVfwE_TypeNotAccepted;
    }
    m_videoInfo = vih;
    bool rgb24 = false;
    bool yuy2 = false;
    if (variant() == FilterVariant::Branded) {
        // The branded edition goes by the format block; the subtype does not matter. A BI_RGB
        // block of another depth (RGB32, RGB565) is not 3 bytes a pixel and is refused.
        const platform::BitmapInfoHeader& bi = vih.bmiHeader;
        rgb24 = (bi.biCompression == kCompressionBiRgb || bi.biCompression == kFourCC_RGB2) &&
                bi.biBitCount == 24;
        yuy2 = bi.biCompression == platform::kFourCC_YUY2;
    } else {
        rgb24 = type.subtype == kSubtypeRGB24;
        yuy2 = type.subtype == kSubtypeYUY2;
    }
    if (rgb24) {
        m_isYuy2.store(0, std::memory_order_release);
        rgbBottomUp_ = vih.bmiHeader.biHeight > 0;
    } else if (yuy2) {
        m_isYuy2.store(1, std::memory_order_release);
    } else {
        return kVfwE_TypeNotAccepted;
    }
    m_frameWidth = vih.bmiHeader.biWidth;
    m_frameHeight = static_cast<int32_t>(
        std::min<int64_t>(std::abs(static_cast<int64_t>(vih.bmiHeader.biHeight)), INT32_MAX));
    m_elapsed.store(0, std::memory_order_release);
    m_connectTick.store(clock_->tickCountMs(), std::memory_order_release);
    today_ = clock_->localDate();
    m_dateDirty.store(true, std::memory_order_release);
    prepare(requestedWidth(), requestedHeight());
    return platform::S_Ok;
}

HResult MyTransFilter::CheckTransform(const MediaType&, const MediaType&) const {
    return platform::S_Ok;
}

HResult MyTransFilter::GetMediaType(int32_t, MediaType*) const {
    return platform::E_Unexpected;
}

void MyTransFilter::resetDebugState() {
    m_prevSampleStart = 0;
    m_frameRate = 0.0f;
    m_firstClock = -1;
    m_clockNow = -1;
    std::fill(std::begin(m_rateHistory), std::end(m_rateHistory), -1);
}

bool MyTransFilter::preparedFor(int32_t width, int32_t height, FilterVariant v) const {
    return width == preparedWidth_ && height == preparedHeight_ && v == preparedVariant_;
}

// Allocates every block the frame path uses for frames of width x height in the present variant.
// Blocks whose size does not change are kept (the still keeps its last picture, motion its
// reference).
void MyTransFilter::prepare(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    const FilterVariant v = variant();
    const bool branded = v == FilterVariant::Branded;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const bool sizeChanged = width != preparedWidth_ || height != preparedHeight_;
    if (sizeChanged) {
        if (pixels * 3 != m_stillBufferSize) {
            // Allocated here, swapped in under the lock; the old blocks go after it is released.
            auto black = std::make_unique<uint8_t[]>(pixels * 3);  // black until the first still
            auto back = std::make_unique<uint8_t[]>(pixels * 3);
            {
                const std::lock_guard lock(stillLock_);
                std::swap(m_stillBuffer, black);
                m_stillBufferSize = pixels * 3;
                stillWidth_ = 0;
                stillHeight_ = 0;
            }
            stillBack_ = std::move(back);
            stillFilled_.store(false, std::memory_order_release);
        }
        m_motionReference.reset(new uint8_t[pixels * 3]);
        motionCurrent_.reset(new uint8_t[pixels * 3]);
        hasReference_ = false;
        rowSums_.reset(new int32_t[static_cast<size_t>(width) * 2]);
        if (!insetScratch_) {
            insetScratch_.reset(new uint8_t[kInsetScratchBytes]);
        }
    }
    if (sizeChanged || v != preparedVariant_) {
        // The branded variant has no zoom step.
        if (branded) {
            zoomScratch_.reset();
        } else if (sizeChanged || !zoomScratch_) {
            zoomScratch_.reset(new uint8_t[pixels * 2]);
        }
        // The branded date is a third of the width by a tenth of the height.
        m_dateWidth = branded ? width / 3 : width / 2;
        m_dateHeight = branded ? height / 10 : height / 8;
        m_timeWidth = width / 4;
        m_timeHeight = height / 10;
        m_dateImage =
            std::make_unique<uint8_t[]>(static_cast<size_t>(m_dateWidth) * m_dateHeight * 3);
        m_timeImage =
            std::make_unique<uint8_t[]>(static_cast<size_t>(m_timeWidth) * m_timeHeight * 3);
        dateStamp_ = StampImage{m_dateImage.get(), m_dateWidth, m_dateHeight};
        timeStamp_ = StampImage{m_timeImage.get(), m_timeWidth, m_timeHeight};
        m_dateLeft = width - m_dateWidth;
        m_timeLeft = width - m_timeWidth;
        preparedWidth_ = width;
        preparedHeight_ = height;
        preparedVariant_ = v;
        // Images of the old size are gone: render both again at the next frame.
        m_dateDirty.store(true, std::memory_order_release);
        m_timeDirty.store(true, std::memory_order_release);
    }
    // The stamps' font: frame height / 20 points for both texts, in both variants.
    if (!fontTried_) {
        fontTried_ = true;
        font_.open("Arial");
    }
    const int32_t points = height / 20;
    if (font_.isOpen() && points != font_.points()) {
        font_.prepare(points, kStampCharset);
    }
}

// ---------------------------------------------------------------------------------------------
// Per frame (streaming thread)

HResult MyTransFilter::Transform(FrameSample* sample) {
    if (sample == nullptr) {
        return platform::E_Pointer;
    }
    return variant() == FilterVariant::Branded ? transformBranded(sample) : transformMain(sample);
}

MyTransFilter::FrameSetup MyTransFilter::beginFrame(FrameSample* sample, int32_t w, int32_t h) {
    m_frameWidth = w;
    m_frameHeight = h;
    if (sample->hasTime) {
        m_sampleStart = sample->start;
        m_sampleStop = sample->stop;
    }
    if (sample->hasMediaTime) {
        m_mediaStart = sample->mediaStart;
        m_mediaStop = sample->mediaStop;
    }
    FrameSetup f;
    f.yuy2 = isYuy2() != 0;
    const ptrdiff_t rowBytes = packedRowBytes(w, f.yuy2);
    const ptrdiff_t stride = sample->stride != 0 ? sample->stride : rowBytes;
    // The size is checked before anything reads or writes the frame, the remap included, and for
    // both formats: a sample too short for the requested frame is neither remapped nor drawn into.
    f.fits =
        sample->data != nullptr && w > 0 && h > 0 && stride >= rowBytes &&
        static_cast<size_t>(stride) * static_cast<size_t>(h - 1) + static_cast<size_t>(rowBytes) <=
            sample->size;
    f.frame = FrameView{sample->data, w, h, stride};
    return f;
}

HResult MyTransFilter::transformMain(FrameSample* sample) {
    // Frames are addressed with the component's size, not the format block's.
    const int32_t w = requestedWidth();
    const int32_t h = requestedHeight();
    if (!preparedFor(w, h, FilterVariant::Main)) {
        prepare(w, h);  // the requested size changed after the format was set: once per change
    }
    const FrameSetup fs = beginFrame(sample, w, h);
    const FrameView& frame = fs.frame;

    // Zoom remap (YUY2 layout only: on RGB24 frames the table's offsets mean nothing).
    if (fs.fits && fs.yuy2 && m_zoom.load(std::memory_order_acquire) != 100) {
        if (const std::atomic<int32_t>* map = m_zoomMap.load(std::memory_order_acquire)) {
            zoomRemapYuy2(frame, map, kZoomMapEntries, zoomScratch_.get());
        }
    }
    // The component's timer waits for the first frame; stamps are re-rendered only when dirty.
    m_streaming.store(true, std::memory_order_release);
    renderStampsIfDirty();
    // A short sample goes on untouched; a pending still stays pending.
    if (!fs.fits) {
        return platform::S_Ok;
    }
    drawOverlays(frame, fs.yuy2, FilterVariant::Main);
    // Last, so that a still shows whatever was drawn into the frame.
    if (stillByFilter() && stillMotionStep(frame)) {
        notifyMotion();
    }
    return platform::S_Ok;
}

// The debug overlay (YUY2 frames only), then the date and time stamps. The main filter puts
// the YUY2 date in the top-left corner; the branded one stands it upright in the bottom-right
// corner, its last line on the frame's last row, as both do in RGB24 frames.
void MyTransFilter::drawOverlays(const FrameView& frame, bool yuy2, FilterVariant v) {
    if (yuy2) {
        if (showStreamDebug()) {
            drawDebugOverlay(frame, v);
        }
        if (showDate()) {
            if (v == FilterVariant::Branded) {
                compositeDateYuy2At(frame, dateStamp_, m_dateLeft, frame.height - m_dateHeight);
            } else {
                compositeDateYuy2(frame, dateStamp_);
            }
        }
        if (addTime()) {
            compositeTimeYuy2(frame, timeStamp_, m_timeLeft, kTimeTop);
        }
        return;
    }
    if (showDate()) {
        compositeDateBgr(frame, dateStamp_, m_dateLeft, rgbBottomUp_);
    }
    if (addTime()) {
        compositeTimeBgr(frame, timeStamp_, m_timeLeft, kTimeTop, rgbBottomUp_);
    }
}

bool MyTransFilter::anyStepOn() const {
    return addTime() || showDate() || showStreamDebug() || stillByFilter();
}

HResult MyTransFilter::transformBranded(FrameSample* sample) {
    // A size or variant change is prepared before the lock, so nothing is allocated under it.
    if (anyStepOn()) {
        const int32_t w = requestedWidth();
        const int32_t h = requestedHeight();
        if (!preparedFor(w, h, FilterVariant::Branded)) {
            prepare(w, h);
        }
    }
    bool motion = false;
    {
        const std::lock_guard lock(m_lock);
        // Nothing at all, not even the time stamps or the streaming flag, while every step is off.
        if (!anyStepOn()) {
            return platform::S_Ok;
        }
        const int32_t w = requestedWidth();
        const int32_t h = requestedHeight();
        if (!preparedFor(w, h, FilterVariant::Branded)) {
            // Reconfigured between the prepare above and the lock: this frame goes on untouched,
            // the next one is prepared for the new size.
            return platform::S_Ok;
        }
        const FrameSetup fs = beginFrame(sample, w, h);
        const FrameView& frame = fs.frame;
        m_streaming.store(true, std::memory_order_release);
        renderStampsIfDirty();
        if (!fs.fits) {
            return platform::S_Ok;
        }
        // The still/motion step first: a still shows the picture without stamps or overlay.
        if (!fs.yuy2 || stillByFilter()) {
            motion = stillMotionStep(frame);
        }
        drawOverlays(frame, fs.yuy2, FilterVariant::Branded);
    }
    if (motion) {
        notifyMotion();
    }
    return platform::S_Ok;
}

void MyTransFilter::renderStampsIfDirty() {
    if (m_dateDirty.exchange(false, std::memory_order_acq_rel)) {
        renderDate();
        if (addTime()) {
            renderTime();
        }
    } else if (m_timeDirty.exchange(false, std::memory_order_acq_rel)) {
        renderTime();
    }
}

void MyTransFilter::renderDate() {
    if (!m_dateImage) {
        return;
    }
    std::memset(m_dateImage.get(), 0, static_cast<size_t>(m_dateWidth) * m_dateHeight * 3);
    char text[32];
    char* end = text + sizeof(text);
    char* p = std::to_chars(text, end, today_.year).ptr;
    *p++ = '-';
    p = twoDigits(p, end, today_.month);
    *p++ = '-';
    p = twoDigits(p, end, today_.day);
    font_.draw({text, static_cast<size_t>(p - text)}, m_dateImage.get(), m_dateWidth, m_dateHeight,
               static_cast<ptrdiff_t>(m_dateWidth) * 3, true);
    dateStamp_.findLitBounds();
}

void MyTransFilter::renderTime() {
    if (!m_timeImage) {
        return;
    }
    std::memset(m_timeImage.get(), 0, static_cast<size_t>(m_timeWidth) * m_timeHeight * 3);
    const ElapsedTime t = elapsed();
    char text[32];
    size_t n = 0;
    if (t.hours == 0 && t.minutes == 0 && t.seconds == 0) {
        std::memcpy(text, "__:__:__", 8);
        n = 8;
    } else {
        char* end = text + sizeof(text);
        char* p = twoDigits(text, end, t.hours);
        *p++ = ':';
        p = twoDigits(p, end, t.minutes);
        *p++ = ':';
        p = twoDigits(p, end, t.seconds);
        n = static_cast<size_t>(p - text);
    }
    font_.draw({text, n}, m_timeImage.get(), m_timeWidth, m_timeHeight,
               static_cast<ptrdiff_t>(m_timeWidth) * 3, true);
    timeStamp_.findLitBounds();
}

void MyTransFilter::drawDebugOverlay(const FrameView& frame, FilterVariant v) {
    // Glyph text only into frames whose accepted format says YUY2.
    const bool glyphs = m_videoInfo.bmiHeader.biCompression == platform::kFourCC_YUY2;
    m_clockNow = clock_->counter100ns();
    if (m_firstClock == -1) {
        m_firstClock = m_clockNow;
    }
    // The branded rate is not clamped: an interval of 0 reads "inf" and its history entry
    // saturates, drawn as a spike off the top of the graph.
    m_frameRate = frameRateFromStarts(m_sampleStart, m_prevSampleStart, v == FilterVariant::Main);
    DebugTimes t;
    t.sampleStart = m_sampleStart;
    t.sampleStop = m_sampleStop;
    t.mediaStart = m_mediaStart;
    t.mediaStop = m_mediaStop;
    t.sinceFirstClock = m_clockNow - m_firstClock;
    t.frameRate = m_frameRate;
    DebugTextLines lines;
    const size_t n = formatDebugLines(v, t, lines);
    for (size_t i = 0; glyphs && i < n; ++i) {
        drawGlyphText(frame, 10, lines[i].y, lines[i].text.view(), m_glyphHeight, m_glyphAdvance);
    }
    pushRateHistory(m_rateHistory, frame.width, m_frameRate);
    drawRateGraph(frame, m_rateHistory, glyphs);
    m_prevSampleStart = m_sampleStart;
}

bool MyTransFilter::stillMotionStep(const FrameView& frame) {
    if (m_stillRequest.exchange(false, std::memory_order_acq_rel)) {
        convertStill(frame);
        m_stillReady.store(true, std::memory_order_release);
        return false;
    }
    if (!motionEnabled()) {
        return false;
    }
    const int32_t w = frame.width;
    const int32_t h = frame.height;
    // YUY2 frames are tested in their 24-bit conversion (the tests read 3 bytes a pixel; reading
    // a YUY2 buffer that way would run past its end). RGB24 frames are copied in memory order.
    if (!hasReference_) {
        frameTo24(frame, m_motionReference.get());
        hasReference_ = true;
        return false;
    }
    frameTo24(frame, motionCurrent_.get());
    const int32_t threshold = motionThreshold();
    m_pixelBox = MotionBox::fresh(w, h);
    if (motionPixelTest(motionCurrent_.get(), m_motionReference.get(), w, h, threshold,
                        m_pixelBox) < kMotionMinCount) {
        return false;
    }
    m_windowBox = MotionBox::fresh(w, h);
    if (motionWindowTest(motionCurrent_.get(), m_motionReference.get(), w, h, threshold,
                         m_windowBox, rowSums_.get()) < kMotionMinCount) {
        return false;
    }
    std::swap(m_motionReference, motionCurrent_);  // the current frame becomes the reference
    const std::optional<PixelRect> box = intersectBoxes(m_pixelBox, m_windowBox);
    if (!box) {
        return false;
    }
    if (isYuy2() != 0) {
        drawMotionBorderYuy2(frame, *box);
        pasteInsetYuy2(frame, *box, insetScratch_.get());
    } else {
        drawMotionBorderBgr(frame, *box);
        pasteInsetBgr(frame, *box, !rgbBottomUp_, insetScratch_.get());
    }
    convertStill(frame);
    m_motionEnabled.store(false, std::memory_order_release);
    return true;
}

void MyTransFilter::notifyMotion() {
    if (FilterOwner* owner = m_owner.load(std::memory_order_acquire)) {
        owner->Motion();
    }
}

// Converts into the back buffer without the lock; the lock is held for the swap alone.
void MyTransFilter::convertStill(const FrameView& frame) {
    const ptrdiff_t dstStride = static_cast<ptrdiff_t>(frame.width) * 3;
    const bool yuy2 = isYuy2() != 0;
    if (yuy2) {
        yuy2ToBgr(frame.data, frame.stride, frame.width, frame.height, stillBack_.get(), dstStride);
    } else {
        // The still keeps the platform's bottom-up order: top-down frames are flipped into it.
        copyBgrRows(frame.data, frame.stride, frame.width, frame.height, !rgbBottomUp_,
                    stillBack_.get(), dstStride);
    }
    {
        const std::lock_guard lock(stillLock_);
        std::swap(m_stillBuffer, stillBack_);
        stillWidth_ = frame.width;
        stillHeight_ = frame.height;
        stillYuy2_ = yuy2;
    }
    stillFilled_.store(true, std::memory_order_release);
}

bool MyTransFilter::copyStill(int32_t width, int32_t height, bool topFirst, uint8_t* dst,
                              ptrdiff_t dstStride) const {
    const std::lock_guard lock(stillLock_);
    if (width <= 0 || height <= 0 || width != stillWidth_ || height != stillHeight_ ||
        dst == nullptr) {
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    // A YUY2 still is stored top row first, an RGB24 one bottom row first.
    const bool reverse = stillYuy2_ != topFirst;
    for (int32_t i = 0; i < height; ++i) {
        const int32_t line = reverse ? height - 1 - i : i;
        std::memcpy(dst + static_cast<ptrdiff_t>(line) * dstStride,
                    m_stillBuffer.get() + rowBytes * static_cast<size_t>(i), rowBytes);
    }
    return true;
}

void MyTransFilter::frameTo24(const FrameView& frame, uint8_t* dst) const {
    const ptrdiff_t dstStride = static_cast<ptrdiff_t>(frame.width) * 3;
    if (isYuy2() != 0) {
        yuy2ToBgr(frame.data, frame.stride, frame.width, frame.height, dst, dstStride);
    } else {
        copyBgrRows(frame.data, frame.stride, frame.width, frame.height, false, dst, dstStride);
    }
}

// ---------------------------------------------------------------------------------------------
// Component side (user-interface thread)

template <typename F>
void MyTransFilter::reconfigure(F&& apply) {
    // The variant is fixed while frames flow, so reading it outside the lock is safe.
    if (variant() == FilterVariant::Branded) {
        const std::lock_guard lock(m_lock);
        apply();
    } else {
        apply();
    }
}

void MyTransFilter::setRequestedSize(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    }
    reconfigure([&] { m_requested.store(packSize(width, height), std::memory_order_release); });
}

void MyTransFilter::setAddTime(bool on) {
    reconfigure([&] { m_addTime.store(on, std::memory_order_release); });
}

void MyTransFilter::setShowDate(bool on) {
    reconfigure([&] { m_showDate.store(on, std::memory_order_release); });
}

void MyTransFilter::setStillByFilter(bool on) {
    reconfigure([&] { m_stillByFilter.store(on, std::memory_order_release); });
}

void MyTransFilter::ShowStreamDebug(bool on) {
    reconfigure([&] { m_showStreamDebug.store(on, std::memory_order_release); });
}

int32_t MyTransFilter::requestedWidth() const {
    return static_cast<int32_t>(m_requested.load(std::memory_order_acquire) >> 32);
}

int32_t MyTransFilter::requestedHeight() const {
    return static_cast<int32_t>(m_requested.load(std::memory_order_acquire) & 0xFFFFFFFFu);
}

HResult MyTransFilter::setFrameFormat(int32_t width, int32_t height, FrameFormat format,
                                      bool rgbBottomUp) {
    setRequestedSize(width, height);
    platform::VideoInfoHeader vih;
    vih.bmiHeader.biSize = sizeof(platform::BitmapInfoHeader);
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biPlanes = 1;
    if (format == FrameFormat::YUY2) {
        vih.bmiHeader.biHeight = height;
        vih.bmiHeader.biBitCount = 16;
        vih.bmiHeader.biCompression = platform::kFourCC_YUY2;
        vih.bmiHeader.biSizeImage = static_cast<uint32_t>(packedRowBytes(width, true) * height);
        return CheckInputType(MediaType::video(kSubtypeYUY2, vih));
    }
    vih.bmiHeader.biHeight = rgbBottomUp ? height : -height;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = platform::kFourCC_RGB24;
    vih.bmiHeader.biSizeImage = static_cast<uint32_t>(packedRowBytes(width, false) * height);
    return CheckInputType(MediaType::video(kSubtypeRGB24, vih));
}

void MyTransFilter::requestStill() {
    reconfigure([&] {
        m_stillReady.store(false, std::memory_order_release);
        m_stillRequest.store(true, std::memory_order_release);
    });
}

void MyTransFilter::SetZoomValue(int32_t zoom, const int32_t* map, int32_t bytes) {
    m_zoom.store(zoom, std::memory_order_release);
    if (map == nullptr || bytes <= 0) {
        return;
    }
    std::atomic<int32_t>* table = m_zoomMap.load(std::memory_order_acquire);
    if (table == nullptr) {
        zoomMapStorage_ = std::make_unique<std::atomic<int32_t>[]>(kZoomMapEntries);
        table = zoomMapStorage_.get();
        for (size_t p = 0; p < kZoomMapEntries; ++p) {
            table[p].store(static_cast<int32_t>(2 * p), std::memory_order_relaxed);
        }
    }
    const size_t entries = std::min(static_cast<size_t>(bytes) / sizeof(int32_t), kZoomMapEntries);
    for (size_t p = 0; p < entries; ++p) {
        table[p].store(map[p], std::memory_order_relaxed);
    }
    // Publishes the table (and, the first time, its identity fill) to the streaming thread.
    m_zoomMap.store(table, std::memory_order_release);
}

int32_t MyTransFilter::zoomMapEntry(size_t index) const {
    const std::atomic<int32_t>* table = m_zoomMap.load(std::memory_order_acquire);
    if (index >= kZoomMapEntries) {
        return -1;
    }
    return table != nullptr ? table[index].load(std::memory_order_relaxed)
                            : static_cast<int32_t>(2 * index);
}

ElapsedTime MyTransFilter::elapsedFromTicks(uint32_t nowMs, uint32_t connectTickMs) {
    const uint32_t ms = nowMs - connectTickMs + 500u;
    const uint32_t s = ms / 1000u;
    return ElapsedTime{static_cast<int32_t>((s / 3600u) % 24u),
                       static_cast<int32_t>((s / 60u) % 60u), static_cast<int32_t>(s % 60u)};
}

void MyTransFilter::updateElapsed(uint32_t nowMs) {
    setElapsed(elapsedFromTicks(nowMs, connectTick()));
}

void MyTransFilter::setElapsed(const ElapsedTime& t) {
    m_elapsed.store(packElapsed(t), std::memory_order_release);
    m_timeDirty.store(true, std::memory_order_release);
}

ElapsedTime MyTransFilter::elapsed() const {
    const uint32_t v = m_elapsed.load(std::memory_order_acquire);
    return ElapsedTime{static_cast<int32_t>(v >> 16), static_cast<int32_t>((v >> 8) & 0xFF),
                       static_cast<int32_t>(v & 0xFF)};
}

}  // namespace filter
