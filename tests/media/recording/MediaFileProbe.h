// What a clip holds, as ffprobe (streams, codecs, frames, duration) and gst-discoverer-1.0
// (whether GStreamer plays it) tell, and what the strictest readers (ffmpeg with -xerror;
// jpeginfo, djpeg -strict and exiv2 for pictures) say of it; no parser of ours judges our own
// files.
#pragma once

#include <string>
#include <vector>

struct ClipStream {
    std::string type;   // "video" or "audio"
    std::string codec;  // ffprobe's codec_name
    int width = 0;
    int height = 0;
    long frames = -1;        // counted by decoding (video), -1 when unknown
    long headerFrames = -1;  // frame slots the header counts (video), -1 when not kept
    double duration = -1.0;  // the stream's own, seconds
    int sampleRate = 0;
    int channels = 0;
};

struct ClipInfo {
    bool probed = false;      // ffprobe read the file
    bool discovered = false;  // gst-discoverer-1.0 read it without error
    double duration = -1.0;   // seconds, from the container
    std::string format;       // ffprobe's format_name
    std::vector<ClipStream> streams;

    const ClipStream* stream(const std::string& type) const;
};

// Runs both tools on `path`.
ClipInfo probeClip(const std::string& path);

// One decoded video frame: its time in the clip and a hash of its picture.
struct ClipFrame {
    double time = 0.0;
    std::string md5;
};

// Every video frame ffmpeg decodes from the clip, in order, as it stores them (no frame
// repeated or left out to keep a constant rate).
std::vector<ClipFrame> clipVideoFrames(const std::string& path);

// What ffmpeg -v error -xerror says while decoding every stream to nothing; empty when clean.
std::string decodeProblems(const std::string& path);

// The clip's video frame at `seconds`, decoded by ffmpeg: rows top first, 3 bytes a pixel
// (red, green, blue), no padding. Empty when ffmpeg could not decode one.
std::string clipFrameRgb(const std::string& path, double seconds);

// What the strictest readers object to in a clip, one line per fault; empty when it reads
// clean: ffmpeg -v error -xerror decodes every stream without a message; the video's decoded
// frames match the count in its header (where the container keeps one) and, at the nominal
// rate, its duration within a frame; the sound's decoded samples match that duration within
// one packet (and a frame). `sound`: the clip must have sound.
std::string clipProblems(const std::string& path, bool sound = true);

// What jpeginfo -c, djpeg -strict and exiv2 object to in a picture, one line each (exit
// status or message); empty when all three read it clean.
std::string pictureProblems(const std::string& path);
