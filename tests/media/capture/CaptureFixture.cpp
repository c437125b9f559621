// CaptureFixture: test isolation for the component tests.
#include "CaptureFixture.h"

#include "platform/Sleep.h"
#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/VirtualDeviceProvider.h"
#include "capture/nDirectShow.h"

using namespace platform::media;

void CaptureFixture::SetUp() {
    ASSERT_TRUE(MediaRuntime::initialise());
    DeviceEnumerator::setRealDevicesEnabled(false);
    platform::setSleepScale(0.0);
}

void CaptureFixture::TearDown() {
    VirtualDeviceProvider::configure("");
    platform::setSleepScale(1.0);
}

void CaptureFixture::devices(const std::string& text) {
    VirtualDeviceProvider::configure(text);
}

platform::VideoInfoHeader CaptureFixture::format(uint32_t w, uint32_t h, uint32_t fourcc) {
    platform::VideoInfoHeader f;
    TDirectShow::FillVH(f, w, h, 333333, fourcc);
    return f;
}
