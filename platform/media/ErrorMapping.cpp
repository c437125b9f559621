// GStreamer error domains and codes to HRESULT-style results.
#include "ErrorMapping.h"

#include <cerrno>

namespace platform::media {

namespace {

HResult resultOf(const GError* error, const std::string& debug) {
    if (error == nullptr) {
        return E_Fail;
    }
    if (error->domain == GST_RESOURCE_ERROR) {
        // A full disk or the size limit can surface from a seek or a flush too (a multiplexer
        // rewriting its header): the system error in the debug text says which.
        if (debug.find(g_strerror(ENOSPC)) != std::string::npos) {
            return E_DiskFull;
        }
        if (error->code != GST_RESOURCE_ERROR_WRITE &&
            debug.find(g_strerror(EFBIG)) != std::string::npos) {
            return E_FileNotFound;
        }
        switch (error->code) {
            case GST_RESOURCE_ERROR_NO_SPACE_LEFT:
                return E_DiskFull;
            case GST_RESOURCE_ERROR_BUSY:
                return E_DeviceInUse;
            case GST_RESOURCE_ERROR_NOT_FOUND:
                return E_NotFound;
            case GST_RESOURCE_ERROR_OPEN_WRITE:
            case GST_RESOURCE_ERROR_OPEN_READ_WRITE:
            case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
                return E_AccessDenied;
            case GST_RESOURCE_ERROR_WRITE: {
                // filesink reports every write failure but ENOSPC as WRITE, with strerror in
                // the debug text: EFBIG is the file-size limit.
                const char* tooLarge = g_strerror(EFBIG);
                if (debug.find(tooLarge) != std::string::npos ||
                    debug.find("File too large") != std::string::npos) {
                    return E_FileNotFound;
                }
                return E_Fail;
            }
            default:
                break;
        }
    }
    return E_Fail;
}

}  // namespace

HResult hresultFromError(const GError* error, const std::string& debug, bool fromSource) {
    const HResult hr = resultOf(error, debug);
    // A camera pulled while recording fails its reads with a system error whose text can be
    // "No space left on device": taken for a full disk, it would end the recording as one.
    if (fromSource && (hr == E_DiskFull || hr == E_FileNotFound)) {
        return E_Fail;
    }
    return hr;
}

}  // namespace platform::media
