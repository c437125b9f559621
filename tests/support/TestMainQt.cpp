// main() for tests that need a QApplication (offscreen platform unless told otherwise).
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include <QApplication>

#include "support/TestEnvironment.h"

int main(int argc, char** argv) {
    testenv::setUp();
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    testing::InitGoogleTest(&argc, argv);
    int rc = 0;
    {
        QApplication app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    if (std::getenv("PEEKBOX_KEEP_TEST_TMP") == nullptr) {
        std::error_code ec;
        std::filesystem::remove_all(testenv::root(), ec);
    }
    return rc;
}
