// The media type, sample and owner/clock interfaces through which the frame filter meets the graph.
//
// These stand in for the DirectShow base classes' CMediaType, IMediaSample and the owning
// TDirectShow: plain C++ so that filter/ knows nothing of Qt or GStreamer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/HResult.h"
#include "platform/VideoInfoHeader.h"

namespace filter {

using platform::HResult;

// VFW_E_TYPE_NOT_ACCEPTED: the media type offered to CheckInputType is refused.
constexpr HResult kVfwE_TypeNotAccepted = static_cast<HResult>(0x8004022Au);

// Major types and subtypes. The FOURCC-based subtypes carry their FOURCC; the uncompressed RGB
// subtypes (GUIDs in DirectShow) get tags that no FOURCC uses.
constexpr uint32_t kMajorVideo = platform::makeFourCC('v', 'i', 'd', 's');
constexpr uint32_t kMajorAudio = platform::makeFourCC('a', 'u', 'd', 's');
constexpr uint32_t kSubtypeYUY2 = platform::kFourCC_YUY2;
constexpr uint32_t kSubtypeMJPG = platform::kFourCC_MJPG;
constexpr uint32_t kSubtypeRGB24 = 0xE436EB7Du;  // first word of MEDIASUBTYPE_RGB24
constexpr uint32_t kSubtypeRGB32 = 0xE436EB7Eu;  // first word of MEDIASUBTYPE_RGB32

// biCompression values the branded edition's filter tells its frames apart by.
constexpr uint32_t kCompressionBiRgb = 0;  // BI_RGB: uncompressed RGB
constexpr uint32_t kFourCC_RGB2 = platform::makeFourCC('R', 'G', 'B', '2');

// The two editions' forms of the frame filter. Main: zoom step, accepts frames by subtype,
// still/motion step last, no lock on the frame path. Branded: no zoom step, accepts frames by
// the format block, does nothing while all its steps are off, still/motion step first, holds
// the frame lock for the whole frame, its own debug lines with an unclamped frame rate, and the
// date in the bottom-right corner of YUY2 frames too.
enum class FilterVariant { Main, Branded };

// A media type record: major type, subtype and the format block (a VIDEOINFOHEADER for video).
// An empty format block means "no format block".
struct MediaType {
    uint32_t majorType = 0;
    uint32_t subtype = 0;
    std::vector<uint8_t> format;

    // A video type whose format block is `vih`. For RGB24, a negative biHeight marks top-down rows
    // (the DIB rule; GStreamer's BGR frames are top-down), a positive one bottom-up rows.
    static MediaType video(uint32_t subtype, const platform::VideoInfoHeader& vih);
};

// One frame handed to Transform: the writable bytes of the sample and its time stamps.
struct FrameSample {
    uint8_t* data = nullptr;
    size_t size = 0;       // bytes the buffer holds
    ptrdiff_t stride = 0;  // bytes from one memory row to the next; 0 = packed rows (see below)
    bool hasTime = false;  // start/stop valid (100 ns units)
    int64_t start = 0;
    int64_t stop = 0;
    bool hasMediaTime = false;  // mediaStart/mediaStop valid (frame numbers for video)
    int64_t mediaStart = 0;
    int64_t mediaStop = 0;
};

// Packed row length in bytes: RGB24 rows are width x 3 bytes; YUY2 rows are whole macropixels,
// 4 x ceil(width / 2) bytes (width x 2 for the even widths cameras deliver).
constexpr ptrdiff_t packedRowBytes(int32_t width, bool yuy2) {
    return yuy2 ? static_cast<ptrdiff_t>((width + 1) / 2) * 4 : static_cast<ptrdiff_t>(width) * 3;
}

// The component that owns the filter. Motion() is called on the streaming thread.
class FilterOwner {
  public:
    virtual ~FilterOwner() = default;
    virtual void Motion() = 0;
};

// Adapter for owners that prefer a function object. The function is fixed at construction, so
// calling it from the streaming thread needs no lock.
class FunctionOwner final : public FilterOwner {
  public:
    explicit FunctionOwner(std::function<void()> fn) : fn_(std::move(fn)) {}
    void Motion() override {
        if (fn_) {
            fn_();
        }
    }

  private:
    std::function<void()> fn_;
};

// A calendar date, as the date stamp shows it.
struct LocalDate {
    int32_t year = 1970;
    int32_t month = 1;  // 1..12
    int32_t day = 1;    // 1..31
};

// Time sources of the filter; tests substitute their own. All calls are cheap and do not block.
class FilterClock {
  public:
    virtual ~FilterClock() = default;
    // The system tick count in milliseconds (wraps as 32-bit).
    virtual uint32_t tickCountMs() = 0;
    // The performance counter in 100 ns units.
    virtual int64_t counter100ns() = 0;
    // Today's local date. Called at format time only (reading the time zone may touch files).
    virtual LocalDate localDate() = 0;
};

// steady_clock for the ticks and the counter, localtime_r for the date. One shared instance.
FilterClock& systemClock();

}  // namespace filter
