// CaptureOptions: what the window sets before a graph build. The builds read it and write back
// what they found: the bound camera (VideoDevice, VID, PID), the microphone (AudioDevice) and
// whether sound can be recorded at all (CaptureAudio). The names are the component's published
// property names.
#pragma once

#include <cstdint>
#include <string>

struct CaptureOptions {
    int32_t VideoDevice = 0;     // the camera search starts at this index; the bound one after it
    int32_t AudioDevice = 0;     // index of the microphone (or, in file mode, the sound output)
    std::string CompressorName;  // video compressor's friendly name; "WMV": Windows Media
    std::string AudioCompressorName;  // "WMA", "WAV", "No Compress" or a friendly name
    bool SnapFlip = false;            // stills come bottom-up
    bool CaptureAudio = false;
    bool CaptureVideo = false;
    bool AddTimeStr = false;         // elapsed time stamped into recordings
    bool ShowDate = false;           // date stamped into recordings
    bool ShowDateOnPreview = false;  // published, but no build reads it
    bool StillByTransFtr = false;    // stills come from the frame filter
    std::string VID;                 // the camera's ids, four hex digits each
    std::string PID;
    std::string RegsPath;  // settings key of the supported-compressor table
    bool OverlayDisable = false;
    bool ShowStreamDebug = false;  // the frame filter's rate lines
    bool HighQualityVideo = false;
    bool HighQualityAudio = false;
    bool GraphRot = false;  // the graph is published for outside graph viewers
};
