// Waiting on something observable in tests that run no event loop. Tests with one use Qt's
// QTest::qWaitFor (<QtCore/qtestsupport_core.h>), which also delivers events between checks.
#pragma once

#include <chrono>
#include <thread>

namespace testenv {

// Checks `done` every 10 ms until it holds or `ms` milliseconds have passed; its last answer.
template <typename F>
bool waitUntil(F&& done, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return done();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace testenv
