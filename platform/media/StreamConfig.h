// A camera's stream configuration: the formats its caps offer, and setting one on the caps
// filter after its source. Asking for a format the camera does not offer fails.
//
// Threads: GUI thread, while the camera's graph is stopped.
#pragma once

#include <cstdint>

#include <gst/gst.h>

#include "Filter.h"
#include "GstRef.h"
#include "platform/HResult.h"
#include "platform/VideoInfoHeader.h"

namespace platform::media {

enum class VideoSubtype { Other, YUY2, MJPG, RGB24 };

// A video media type with a VIDEOINFOHEADER format block.
struct VideoMediaType {
    VideoSubtype subtype = VideoSubtype::Other;
    bool videoInfoFormat = true;  // the format block is a VIDEOINFOHEADER
    bool fixedSizeSamples = true;
    bool temporalCompression = false;
    uint32_t sampleSize = 0;
    VideoInfoHeader format;
};

// VFW_E_INVALIDMEDIATYPE: the camera offers no such format.
constexpr HResult E_InvalidMediaType = static_cast<HResult>(0x80040200u);

class StreamConfig {
  public:
    // How a capture source applies a chosen format (fixed caps); null: set the caps of its child
    // caps filter named "format".
    using ApplyFormat = bool (*)(GstElement* source, const GstCaps* fixed);

    // Marks `source` as a camera offering `capabilities` (one structure a capability) and
    // delivering `current` until a format is set (null: unknown, capability 0 is reported).
    static void attach(GstElement* source, GstCaps* capabilities, ApplyFormat apply,
                       GstCaps* current = nullptr);

    // The stream configuration of a capture source; E_NoInterfaceFound for any other filter.
    static HResult find(const Filter& source, StreamConfig& out);

    explicit operator bool() const { return static_cast<bool>(source_); }
    int capabilityCount() const;
    // The index-th capability (ranges fixated); E_InvalidArg past the end.
    HResult getStreamCaps(int index, VideoMediaType& out) const;
    // Sets the first capability of this subtype and size whose frame interval matches (an
    // interval of 0 takes the first rate). E_InvalidMediaType when there is none.
    HResult setFormat(const VideoMediaType& type);
    // The format set last, else capability 0.
    HResult getFormat(VideoMediaType& out) const;

    // The media type of one caps structure (fixated); for tests and the format page.
    static VideoMediaType typeOf(const GstStructure* s);

  private:
    GstRef<GstElement> source_;
    GstRef<GstCaps> capabilities_;
    ApplyFormat apply_ = nullptr;
};

}  // namespace platform::media
