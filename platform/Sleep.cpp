// Scaled sleeping, so that production waits keep their constants while tests run fast.
#include "Sleep.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {
std::atomic<double> g_scale{1.0};
std::atomic<uint64_t> g_total{0};
// Counts `ms` as slept and gives it in the current scale.
double countScaled(uint32_t ms) {
    g_total.fetch_add(ms, std::memory_order_relaxed);
    return static_cast<double>(ms) * g_scale.load(std::memory_order_relaxed);
}
}  // namespace

void sleepMs(uint32_t ms) {
    const double scaled = countScaled(ms);
    if (scaled > 0.0) {
        std::this_thread::sleep_for(
            std::chrono::microseconds(static_cast<int64_t>(scaled * 1000.0)));
    }
}

uint32_t scaledMs(uint32_t ms) {
    return static_cast<uint32_t>(countScaled(ms));
}

void setSleepScale(double scale) {
    g_scale.store(scale < 0.0 ? 0.0 : scale);
}
double sleepScale() {
    return g_scale.load();
}
uint64_t sleptMsTotal() {
    return g_total.load();
}

}  // namespace platform
