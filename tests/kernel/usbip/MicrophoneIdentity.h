// Who the emulated microphone says it is and what it streams.
#pragma once

#include <cstdint>
#include <string>

namespace usbip {

struct MicrophoneIdentity {
    uint16_t vendorId = 0x3a7b;
    uint16_t productId = 0x0b01;
    std::string manufacturer = "Test";
    std::string product = "Desk Camera";
    std::string serial = "1";
    uint32_t sampleRate = 48000;  // mono, 16-bit; whole samples per millisecond frame
    double toneHz = 1000.0;
};

}  // namespace usbip
