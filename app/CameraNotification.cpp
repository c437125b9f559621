// Both sources post DeviceChangeEvent; the window decides in its GUI-thread handler.
#include "CameraNotification.h"

#include <cctype>

#include <QCoreApplication>
#include <QPointer>

#include "platform/media/VirtualDeviceProvider.h"

namespace {
// Posting from the worker threads to a window that may be gone by the time the event arrives:
// QCoreApplication::postEvent drops events for deleted receivers, and the QPointer check keeps
// us from posting to a dangling pointer after unregistration.
void post(const QPointer<QObject>& target, bool arrived, const std::string& name) {
    if (target.isNull()) {
        return;
    }
    QCoreApplication::postEvent(
        target.data(), new DeviceChangeEvent(arrived ? DeviceChangeEvent::DBT_DEVICEARRIVAL
                                                     : DeviceChangeEvent::DBT_DEVICEREMOVECOMPLETE,
                                             name));
}
}  // namespace

bool CameraNotification::RegisterCameraNotification(QObject* window) {
    const QPointer<QObject> target(window);
    const bool usb = usb_.start(
        [target](bool arrived, const std::string& name) { post(target, arrived, name); });
    platform::media::VirtualDeviceProvider::setHotplugListener(
        [target](bool arrived, const std::string& name) { post(target, arrived, name); });
    virtualListening_ = true;
    return usb || virtualListening_;
}

void CameraNotification::UnregisterDeviceNotification() {
    usb_.stop();
    if (virtualListening_) {
        platform::media::VirtualDeviceProvider::setHotplugListener(nullptr);
        virtualListening_ = false;
    }
}

bool CameraNotification::matchesCamera(const std::string& interfaceName, const std::string& vid,
                                       const std::string& pid) {
    std::string lower = interfaceName.substr(0, kNameBytes - 1);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower.find("vid_" + vid + "&pid_" + pid) != std::string::npos;
}
