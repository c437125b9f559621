// Shared set-up of the component tests: virtual devices only, short waits, event pumping.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/VideoInfoHeader.h"

class CaptureFixture : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Configures the virtual devices (the variable's syntax).
    static void devices(const std::string& text);
    // A capture format at 30 frames a second.
    static platform::VideoInfoHeader format(uint32_t w, uint32_t h, uint32_t fourcc);
    // Processes GUI events until `done` or about five seconds have passed.
    static bool pumpUntil(const std::function<bool()>& done, int ms = 5000);
};
