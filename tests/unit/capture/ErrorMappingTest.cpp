// Graph abort codes from GStreamer errors: the two the recording reacts to, and the busy camera.
#include <cerrno>

#include <gtest/gtest.h>

#include "platform/media/ErrorMapping.h"

using namespace platform;
using platform::media::hresultFromError;

namespace {

HResult map(GQuark domain, int code, const std::string& debug) {
    GError* e = g_error_new_literal(domain, code, "x");
    const HResult hr = hresultFromError(e, debug);
    g_error_free(e);
    return hr;
}

TEST(ErrorMapping, ResourceErrorsBecomeTheirResults) {
    EXPECT_EQ(map(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT, ""), E_DiskFull);
    EXPECT_EQ(map(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_WRITE,
                  std::string("write: ") + g_strerror(EFBIG)),
              E_FileNotFound);
    EXPECT_EQ(map(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_WRITE, "Input/output error"), E_Fail);
    EXPECT_EQ(map(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_BUSY, ""), E_DeviceInUse);
    EXPECT_EQ(map(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_OPEN_WRITE, ""), E_AccessDenied);
    EXPECT_EQ(map(GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, "File too large"), E_Fail);
    EXPECT_EQ(hresultFromError(nullptr, ""), E_Fail);
}

}  // namespace
