// CaptureFixture: test isolation for the component tests.
#include "CaptureFixture.h"

#include <chrono>
#include <thread>

#include <QCoreApplication>

#include "platform/Sleep.h"
#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/VirtualDeviceProvider.h"

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

bool CaptureFixture::pumpUntil(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
