// Shared set-up of the component's recording tests: virtual devices only, short waits, and the
// current directory in resources/ so the recording profiles are found as from the program's
// folder.
#pragma once

#include <filesystem>

#include <gtest/gtest.h>

class RecordingFixture : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

  private:
    std::filesystem::path oldCwd_;
};
