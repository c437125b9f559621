// Device notifications for the main window: USB interface arrivals and removals from udev and
// from the virtual devices, delivered on the GUI thread as posted events.
#pragma once

#include <memory>
#include <string>

#include <QEvent>
#include <QObject>

#include "platform/UsbMonitor.h"

// The device-change message (537) with its event and device-interface name.
class DeviceChangeEvent : public QEvent {
  public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 537);
    static constexpr uint32_t DBT_DEVICEQUERYREMOVE = 0x8001;
    static constexpr uint32_t DBT_DEVICEREMOVECOMPLETE = 0x8004;
    static constexpr uint32_t DBT_DEVICEARRIVAL = 0x8000;

    DeviceChangeEvent(uint32_t dbtEvent, std::string interfaceName)
        : QEvent(kType), event(dbtEvent), name(std::move(interfaceName)) {}

    const uint32_t event;
    const std::string name;
};

class CameraNotification {
  public:
    // Starts delivering to `window`; false when neither source could be watched.
    bool RegisterCameraNotification(QObject* window);
    void UnregisterDeviceNotification();
    ~CameraNotification() { UnregisterDeviceNotification(); }

    // The camera match pattern "vid_%s&pid_%s" found in the lower-cased interface name.
    static bool matchesCamera(const std::string& interfaceName, const std::string& vid,
                              const std::string& pid);
    static constexpr size_t kNameBytes = 256;  // the name is looked at through a 256-byte buffer

    // The kernel's USB events enter here (tests hand it events of their own).
    platform::UsbMonitor& usb() { return usb_; }

  private:
    platform::UsbMonitor usb_;
    bool virtualListening_ = false;
};
