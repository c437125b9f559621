// A Windows Media profile: the streams of an ASF recording (bit rates, picture size, frame
// rate, codecs) as a profile file describes them in its UTF-16 XML.
#pragma once

#include <cstdint>
#include <string>

#include "platform/HResult.h"

namespace platform::media {

struct WmProfile {
    struct Video {
        bool present = false;
        uint32_t bitrate = 0;  // bits per second
        int32_t width = 0;     // 0: the input's size
        int32_t height = 0;
        int64_t avgTimePerFrame = 0;     // 100 ns units; 0: the input's rate
        uint32_t fourcc = 0;             // "WMV1" or "WMV2" (anything else is written as WMV2)
        int64_t maxKeyFrameSpacing = 0;  // 100 ns units; 0: the encoder's default
    };
    struct Audio {
        bool present = false;
        uint32_t bitrate = 0;        // bits per second
        uint16_t formatTag = 0x161;  // 0x160 WMA version 1, 0x161 WMA version 2
        int32_t channels = 0;        // 0: the input's
        int32_t sampleRate = 0;
    };

    std::string name;
    Video video;
    Audio audio;

    // The profile a writer has before one is loaded: WMV2 video at the input's size and rate,
    // WMA2 audio, both streams.
    static WmProfile writerDefault();

    // The profile manager's LoadProfileByData: the whole profile text (UTF-16, a BOM allowed).
    // E_InvalidArg when it is not a profile or has no stream.
    static HResult loadProfileByData(const std::u16string& text, WmProfile& out);
    // Reads a profile file whole as UTF-16 (little-endian unless its BOM says otherwise).
    // False when it cannot be opened.
    static bool readFile(const std::string& path, std::u16string& text);

    // "prxs/<quality><w>x<h><audio>.prx" of a recording, or "prxs/Higher_Audio.prx" without
    // video: the quality word is "Higher_" or "Standard_", the audio suffix "_HA", "_SA" or none.
    static std::string fileName(bool video, bool audio, bool highVideo, bool highAudio,
                                int32_t width, int32_t height);
};

}  // namespace platform::media
