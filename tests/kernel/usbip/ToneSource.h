// A continuous sine tone as signed 16-bit little-endian mono samples, cut into packets of any
// size without a jump in phase between them.
#pragma once

#include <cstdint>

#include "UsbipWire.h"

namespace usbip {

class ToneSource {
  public:
    ToneSource(double hz, uint32_t sampleRate, double amplitude = 0.5);

    // Appends the next `samples` samples to `out`.
    void append(Bytes& out, size_t samples);
    uint64_t samplesMade() const { return made_; }

  private:
    double step_;  // radians per sample
    double amplitude_;
    double phase_ = 0.0;
    uint64_t made_ = 0;
};

}  // namespace usbip
