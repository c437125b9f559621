// Clip numbers in the settings key, the clip path bound and the recording caption.
#include <gtest/gtest.h>

#include "app/RecordingControl.h"
#include "support/TestEnvironment.h"

namespace {
// A fresh key for each case: rewriting one file from outside within the same second can be
// missed by the settings cache of this process.
int g_case = 0;
std::string kKey;
std::string settingsFile() {
    return testenv::configHome() + "/RecVendor/Prod" + std::to_string(g_case) + ".conf";
}
void freshKey(const std::string& content) {
    ++g_case;
    kKey = "Software\\RecVendor\\Prod" + std::to_string(g_case);
    testenv::writeFile(settingsFile(), content);
}
}  // namespace

TEST(RecordingControl, ClipNumbersRunFromOneToNineThousandNineHundredNinetyNine) {
    freshKey("[General]\nCounter=1\n");
    EXPECT_EQ(app::takeClipNumber(kKey), 1);  // no AviCounter yet
    EXPECT_NE(testenv::readFile(settingsFile()).find("AviCounter=1"), std::string::npos);

    freshKey("[General]\nAviCounter=9998\n");
    EXPECT_EQ(app::takeClipNumber(kKey), 9999);
    EXPECT_EQ(app::takeClipNumber(kKey), 1);
    freshKey("[General]\nAviCounter=4294967295\n");
    EXPECT_EQ(app::takeClipNumber(kKey), 1);
    freshKey("[General]\nAviCounter=nonsense\n");
    EXPECT_EQ(app::takeClipNumber(kKey), 1);

    // Declining to overwrite Movie0005.avi asks about it again next time.
    freshKey("[General]\nAviCounter=4\n");
    const int32_t n = app::takeClipNumber(kKey);
    ASSERT_EQ(n, 5);
    app::giveClipNumberBack(kKey, n);
    EXPECT_EQ(app::takeClipNumber(kKey), 5);
}

TEST(RecordingControl, ClipPathMustFitItsBuffer) {
    EXPECT_EQ(app::clipPathFor("/home/u/Videos", 7), "/home/u/Videos/Movie0007.avi");
    const std::string fits(256 - 1 - 14, 'v');  // "/Movie0001.avi" is 14 characters
    EXPECT_TRUE(app::clipPathFor(fits, 1).has_value());
    EXPECT_FALSE(app::clipPathFor(fits + "v", 1).has_value());
    // Characters count, not bytes.
    std::string umlauts;
    for (size_t i = 0; i < fits.size(); ++i) {
        umlauts += "\xc3\xbc";
    }
    EXPECT_TRUE(app::clipPathFor(umlauts, 1).has_value());
}

TEST(RecordingControl, CaptionRoundsToTheNearestSecondAndWrapsTheHour) {
    EXPECT_EQ(app::recordingCaption("Peekbox", 0), "Peekbox - 00:00:00");
    EXPECT_EQ(app::recordingCaption("Peekbox", 499), "Peekbox - 00:00:00");
    EXPECT_EQ(app::recordingCaption("Peekbox", 500), "Peekbox - 00:00:01");
    EXPECT_EQ(app::recordingCaption("T", (3600 + 120 + 3) * 1000 + 600), "T - 01:02:04");
    EXPECT_EQ(app::recordingCaption("T", 25u * 3600u * 1000u), "T - 01:00:00");
}
