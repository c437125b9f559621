// Waits keep their production constants while tests scale them down.
#include <chrono>

#include <gtest/gtest.h>

#include "platform/Sleep.h"

TEST(Sleep, ScaleShortensTheWaitButCountsTheAskedTime) {
    platform::setSleepScale(0.0);
    const uint64_t before = platform::sleptMsTotal();
    const auto t0 = std::chrono::steady_clock::now();
    platform::sleepMs(2000);
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
    EXPECT_EQ(platform::sleptMsTotal() - before, 2000u);

    platform::setSleepScale(1.0);
    const auto t1 = std::chrono::steady_clock::now();
    platform::sleepMs(20);
    EXPECT_GE(std::chrono::steady_clock::now() - t1, std::chrono::milliseconds(20));
}
