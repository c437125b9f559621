// Shared set-up of the component tests: virtual devices only, short waits. Tests wait on what
// they expect through QTest::qWaitFor, which delivers the graph's events meanwhile.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include <qtestsupport_core.h>

#include "platform/VideoInfoHeader.h"

class CaptureFixture : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Configures the virtual devices (the variable's syntax).
    static void devices(const std::string& text);
    // A capture format at 30 frames a second.
    static platform::VideoInfoHeader format(uint32_t w, uint32_t h, uint32_t fourcc);
};
