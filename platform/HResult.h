// HRESULT-style result codes shared by every layer: negative means failure.
#pragma once

#include <cstdint>

namespace platform {

using HResult = int32_t;

constexpr HResult S_Ok = 0;
constexpr HResult S_False = 1;
constexpr HResult E_Fail = static_cast<HResult>(0x80004005u);
constexpr HResult E_Pointer = static_cast<HResult>(0x80004003u);
constexpr HResult E_NoInterface = static_cast<HResult>(0x80004002u);
constexpr HResult E_OutOfMemory = static_cast<HResult>(0x8007000Eu);
constexpr HResult E_InvalidArg = static_cast<HResult>(0x80070057u);
constexpr HResult E_Unexpected = static_cast<HResult>(0x8000FFFFu);
constexpr HResult E_DiskFull = static_cast<HResult>(0x80070070u);  // no space left on device
constexpr HResult E_FileNotFound =
    static_cast<HResult>(0x80070002u);  // reported for the file-size limit
constexpr HResult E_AccessDenied = static_cast<HResult>(0x80070005u);
constexpr HResult E_DeviceInUse = static_cast<HResult>(0x800700AAu);  // resource busy
constexpr HResult E_NotFound = static_cast<HResult>(0x80070490u);
constexpr HResult E_Timeout = static_cast<HResult>(0x800705B4u);

constexpr bool succeeded(HResult hr) {
    return hr >= 0;
}
constexpr bool failed(HResult hr) {
    return hr < 0;
}

}  // namespace platform
