// Answers to the requests a host sends on endpoint 0 of the emulated microphone: the standard
// requests of enumeration and the audio class's requests, which this device accepts and
// answers with its one fixed setting.
#pragma once

#include <array>
#include <cstdint>

#include "MicrophoneDescriptors.h"

namespace usbip {

// Negative errno values, as a URB's status carries them.
constexpr int32_t kStatusOk = 0;
constexpr int32_t kStatusStall = -32;  // -EPIPE

struct ControlReply {
    int32_t status = kStatusOk;
    Bytes data;  // IN data, at most wLength bytes
};

class ControlAnswers {
  public:
    explicit ControlAnswers(const MicrophoneDescriptors& descriptors) : d_(descriptors) {}

    // `setup` is the 8-byte setup packet as sent on the bus (little-endian fields).
    ControlReply answer(const std::array<uint8_t, 8>& setup);

    bool streaming() const { return streamAlternate_ == 1; }
    // Back to the unconfigured state of a newly attached device.
    void reset() {
        configuration_ = 0;
        streamAlternate_ = 0;
    }

  private:
    ControlReply standard(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index);

    const MicrophoneDescriptors& d_;
    uint8_t configuration_ = 0;
    uint8_t streamAlternate_ = 0;
};

}  // namespace usbip
