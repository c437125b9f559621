// Shared vocabulary of the graph layer: device categories, pin kinds, graph events, codes.
#pragma once

#include <cstdint>

#include "platform/HResult.h"

namespace platform::media {

enum class DeviceCategory { VideoInput, AudioInput, AudioOutput, VideoCompressor, AudioCompressor };

enum class PinDirection { Input, Output };

// The pin categories a capture graph asks for; None matches any pin in a search without one.
enum class PinCategory { None, Capture, Preview };

// A pin's media kind, from the caps it can carry; Any matches every pin in a search.
enum class MajorType { Any, Video, Audio };

// Graph event codes as the capture component knows them.
constexpr int32_t EC_COMPLETE = 0x01;
constexpr int32_t EC_USERABORT = 0x02;
constexpr int32_t EC_ERRORABORT = 0x03;
constexpr int32_t EC_STREAM_ERROR_STOPPED = 0x06;

struct GraphEvent {
    int32_t code = 0;
    intptr_t param1 = 0;  // EC_ERRORABORT: the HRESULT
    intptr_t param2 = 0;
};

// Results the graph layer adds to the shared set.
constexpr HResult E_Abort = static_cast<HResult>(0x80004004u);  // no event within the time-out
constexpr HResult E_NoInterfaceFound = static_cast<HResult>(0x80040216u);  // VFW_E_NOT_FOUND
constexpr HResult E_CannotConnect = static_cast<HResult>(0x80040217u);     // VFW_E_CANNOT_CONNECT
constexpr HResult E_NotStopped = static_cast<HResult>(0x80040224u);        // VFW_E_NOT_STOPPED
constexpr HResult E_AlreadyConnected =
    static_cast<HResult>(0x80040204u);                                 // VFW_E_ALREADY_CONNECTED
constexpr HResult E_NotConnected = static_cast<HResult>(0x80040209u);  // VFW_E_NOT_CONNECTED
constexpr HResult E_ClassNotRegistered = static_cast<HResult>(0x80040154u);  // REGDB_E_CLASSNOTREG
constexpr HResult S_NoPreviewPin = 0x0004027E;  // VFW_S_NOPREVIEWPIN: rendered through a tee
constexpr HResult E_CannotRender = static_cast<HResult>(0x80040218u);   // VFW_E_CANNOT_RENDER
constexpr HResult E_DuplicateName = static_cast<HResult>(0x80040237u);  // VFW_E_DUPLICATE_NAME

// The message number under which graph events are announced to the panel.
constexpr uint32_t WM_GRAPHNOTIFY = 0x8001;

}  // namespace platform::media
