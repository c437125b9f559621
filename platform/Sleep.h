// The one place where the program waits; tests shorten every wait through a scale factor.
#pragma once

#include <cstdint>

namespace platform {

// Blocks the calling thread for `ms` milliseconds times the current scale.
void sleepMs(uint32_t ms);

// The same wait for a timer instead of a blocked thread: `ms` times the current scale, counted
// in sleptMsTotal() like a sleep.
uint32_t scaledMs(uint32_t ms);

// 1.0 in production. Tests set a smaller factor (0 makes every wait return at once).
void setSleepScale(double scale);
double sleepScale();

// Milliseconds asked of sleepMs so far (unscaled); tests read it to check the production constants.
uint64_t sleptMsTotal();

}  // namespace platform
