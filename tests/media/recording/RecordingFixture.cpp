// RecordingFixture: test isolation for the recording tests.
#include "RecordingFixture.h"

#include <cstdlib>
#include <string>

#include "platform/Sleep.h"
#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/VirtualDeviceProvider.h"

using namespace platform::media;

void RecordingFixture::SetUp() {
    ASSERT_TRUE(MediaRuntime::initialise());
    DeviceEnumerator::setRealDevicesEnabled(false);
    platform::setSleepScale(0.0);
    oldCwd_ = std::filesystem::current_path();
    std::filesystem::current_path(std::string(std::getenv("PEEKBOX_SOURCE_DIR")) + "/resources");
}

void RecordingFixture::TearDown() {
    std::filesystem::current_path(oldCwd_);
    VirtualDeviceProvider::configure("");
    platform::setSleepScale(1.0);
}
