// Waiting on something observable in tests that run no event loop. Tests with one use Qt's
// QTest::qWaitFor (<QtCore/qtestsupport_core.h>), which also delivers events between checks.
#pragma once

#include <chrono>
#include <thread>

namespace testenv {

// Checks `done` every `everyMs` until it holds or `ms` milliseconds have passed; its last
// answer. A costly check (a screenshot, a tool run) asks less often.
template <typename F>
bool waitUntil(F&& done, int ms = 10000, int everyMs = 10) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return done();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(everyMs));
    }
    return true;
}

}  // namespace testenv
