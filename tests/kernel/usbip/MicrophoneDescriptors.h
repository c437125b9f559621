// The USB descriptors of a full-speed USB Audio Class 1 microphone: one AudioControl interface
// (microphone input terminal to streaming output terminal) and one AudioStreaming interface
// whose alternate setting 1 carries mono 16-bit PCM on isochronous IN endpoint 0x81.
#pragma once

#include <cstdint>
#include <optional>

#include "MicrophoneIdentity.h"
#include "UsbipWire.h"

namespace usbip {

constexpr uint8_t kStreamInterface = 1;
constexpr uint8_t kStreamEndpoint = 0x81;

class MicrophoneDescriptors {
  public:
    explicit MicrophoneDescriptors(const MicrophoneIdentity& id);

    const Bytes& device() const { return device_; }
    const Bytes& configuration() const { return configuration_; }
    // String descriptor `index` (0 is the language list); nothing for an index we lack.
    std::optional<Bytes> string(uint8_t index) const;
    // Bytes of one millisecond of sound, and the endpoint's largest packet.
    uint16_t bytesPerFrame() const;
    uint16_t maxPacket() const;
    ExportedDevice exported(const std::string& busId) const;

  private:
    MicrophoneIdentity id_;
    Bytes device_;
    Bytes configuration_;
};

}  // namespace usbip
