// File-list ordering as users expect: letter case ignored, distinct names never equal.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Collation.h"

TEST(Collation, CaseInsensitiveLocaleOrderWithDeterministicTies) {
    std::vector<std::string> names{"cherry.jpg", "Banana.jpg", "apple.jpg", "\xc3\x84pfel.jpg",
                                   "APPLE.jpg"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::compareTextNoCase(a, b) < 0;
    });
    // Accents sort with their letter; a tie of letter case is broken by bytes ("APPLE" first).
    EXPECT_EQ(names, (std::vector<std::string>{"\xc3\x84pfel.jpg", "APPLE.jpg", "apple.jpg",
                                               "Banana.jpg", "cherry.jpg"}));
    EXPECT_EQ(platform::compareTextNoCase("x", "x"), 0);
    EXPECT_NE(platform::compareTextNoCase("a\xff", "a\xfe"), 0);  // invalid UTF-8 still orders
}
