// main() for tests that need no Qt.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/TestEnvironment.h"

int main(int argc, char** argv) {
    testenv::setUp();
    testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    if (std::getenv("PEEKBOX_KEEP_TEST_TMP") == nullptr) {
        std::error_code ec;
        std::filesystem::remove_all(testenv::root(), ec);
    }
    return rc;
}
