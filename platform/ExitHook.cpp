// One atexit() registration for the life of the process; the active hook is swapped in and out.
#include "ExitHook.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {
std::atomic<ExitHook*> g_active{nullptr};
std::once_flag g_registered;
}  // namespace

ExitHook::ExitHook(std::function<void()> onExit)
    : onExit_(std::move(onExit)), thread_(std::this_thread::get_id()) {
    std::call_once(g_registered, [] { std::atexit(&ExitHook::runActive); });
    g_active.store(this);
}

ExitHook::~ExitHook() {
    ExitHook* self = this;
    g_active.compare_exchange_strong(self, nullptr);
}

void ExitHook::runActive() {
    ExitHook* hook = g_active.exchange(nullptr);
    if (hook != nullptr && hook->thread_ == std::this_thread::get_id() && hook->onExit_) {
        hook->onExit_();
    }
}

}  // namespace platform
