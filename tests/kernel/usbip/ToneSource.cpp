// Sine samples from a phase that runs on across packets.
#include "ToneSource.h"

#include <cmath>
#include <numbers>

namespace usbip {

ToneSource::ToneSource(double hz, uint32_t sampleRate, double amplitude)
    : step_(2.0 * std::numbers::pi * hz / sampleRate), amplitude_(amplitude * 32767.0) {}

void ToneSource::append(Bytes& out, size_t samples) {
    for (size_t i = 0; i < samples; ++i, ++made_) {
        const auto s = static_cast<int16_t>(std::lround(amplitude_ * std::sin(phase_)));
        out.push_back(static_cast<uint8_t>(s & 0xff));
        out.push_back(static_cast<uint8_t>((static_cast<uint16_t>(s) >> 8) & 0xff));
        phase_ = std::fmod(phase_ + step_, 2.0 * std::numbers::pi);
    }
}

}  // namespace usbip
