// The free-space rule: strictly more than 1 MiB, unknown counts as not enough.
#include <gtest/gtest.h>

#include "platform/DiskSpace.h"
#include "support/TestEnvironment.h"

using platform::HasFreeDiskSpace;

namespace {
platform::FreeSpaceSource fixed(std::optional<uint64_t> bytes) {
    return [bytes](const std::string&) { return bytes; };
}
}  // namespace

TEST(DiskSpace, ThresholdIsStrictlyMoreThanOneMebibyte) {
    EXPECT_FALSE(HasFreeDiskSpace("/x", fixed(0)));
    EXPECT_FALSE(HasFreeDiskSpace("/x", fixed(1048576)));
    EXPECT_TRUE(HasFreeDiskSpace("/x", fixed(1048577)));
    EXPECT_TRUE(HasFreeDiskSpace("/x", fixed(5ULL << 30)));  // beyond 32 bits
    EXPECT_FALSE(HasFreeDiskSpace("/x", fixed(std::nullopt)));
    EXPECT_FALSE(HasFreeDiskSpace("/x", nullptr));
}

TEST(DiskSpace, RealVolumeAndMissingPath) {
    EXPECT_TRUE(platform::statvfsFreeBytes(testenv::root()).has_value());
    EXPECT_FALSE(platform::statvfsFreeBytes(testenv::root() + "/no/such/dir").has_value());
    EXPECT_FALSE(HasFreeDiskSpace(testenv::root() + "/no/such/dir"));
}
