// Wildcard search: letter case, '?', sizes, timestamps, odd names, non-files.
#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/FileSearch.h"
#include "support/TestEnvironment.h"

namespace {
std::vector<std::string> names(const std::vector<platform::FoundFile>& found) {
    std::vector<std::string> n;
    for (const auto& f : found) {
        n.push_back(f.name);
    }
    std::sort(n.begin(), n.end());
    return n;
}
}  // namespace

TEST(FileSearch, MatchesPatternCaseInsensitivelyWithSingleCharacterWildcard) {
    const std::string dir = testenv::root() + "/search1";
    for (const char* n : {"Picture0001.jpg", "PICTURE0002.JPG", "Picture12.jpg", "Picture0003.jpeg",
                          "picture0004.jpg", "Movie0001.avi"}) {
        testenv::writeFile(dir + "/" + n, "x");
    }
    ::mkdir((dir + "/Picture0005.jpg").c_str(), 0700);  // a folder is never a match
    const auto found = platform::findFiles(dir, "Picture????.jpg");
    EXPECT_EQ(names(found),
              (std::vector<std::string>{"PICTURE0002.JPG", "Picture0001.jpg", "picture0004.jpg"}));
}

TEST(FileSearch, ReportsSizeAndLastWriteAsFileTime) {
    const std::string dir = testenv::root() + "/search2";
    testenv::writeFile(dir + "/a.bin", std::string(1234, 'z'));
    timeval times[2] = {{1236416703, 0}, {1236416703, 0}};  // 2009-03-07 09:05:03 UTC
    ASSERT_EQ(::utimes((dir + "/a.bin").c_str(), times), 0);
    const auto found = platform::findFiles(dir, "*");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].size, 1234u);
    EXPECT_EQ(found[0].lastWrite, 128808903030000000ULL);
    EXPECT_EQ(platform::fileTimeFromUnix(0, 0), 116444736000000000ULL);
}

TEST(FileSearch, KeepsNamesThatAreNotUtf8AndToleratesMissingFolder) {
    const std::string dir = testenv::root() + "/search3";
    const std::string odd = "Picture\xff\xfe\x01x.jpg";
    testenv::writeFile(dir + "/" + odd, "x");
    const auto found = platform::findFiles(dir, "Picture*.jpg");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, odd);
    EXPECT_TRUE(platform::findFiles(dir + "/missing", "*").empty());
}
