// Message texts: defaults per edition and the overwrite question with untrusted text.
#include <gtest/gtest.h>

#include "app/MessageTexts.h"

using app::MessageTexts;

TEST(MessageTexts, DefaultsAndRestoreKeepTheOverwriteQuestion) {
    MessageTexts t(editions::edition());
    ASSERT_EQ(t.count(), 12u);
    EXPECT_EQ(t.text(1), "Norvale Glimmer webcam");
    EXPECT_EQ(t.text(12), "Disk space is full.");
    EXPECT_STREQ(t.valueName(8), "_MSG_LOCEDPREVIEW");
    EXPECT_EQ(t.text(0), "");
    EXPECT_EQ(t.text(13), "");

    t.set(1, "Titel");
    t.set(10, "%s gibt es schon");
    t.RestoreDefaultsExceptFileExist();
    EXPECT_EQ(t.text(1), "Norvale Glimmer webcam");
    EXPECT_EQ(t.text(10), "%s gibt es schon");
    t.SetDefaultTexts();
    EXPECT_EQ(t.text(10), "%s already exists, do you want to replace it?");
}

TEST(MessageTexts, HostileOverwriteQuestionIsNeverAFormat) {
    MessageTexts t(editions::edition());
    EXPECT_EQ(t.formatFileExist("Picture0001.jpg"),
              "Picture0001.jpg already exists, do you want to replace it?");
    t.set(10, "%n%s%s%x");
    EXPECT_EQ(t.formatFileExist("a.jpg"), "%na.jpg%s%x");
    t.set(10, "no placeholder %d %%");
    EXPECT_EQ(t.formatFileExist("a.jpg"), "no placeholder %d %%");
    t.set(10, "%s");
    EXPECT_EQ(t.formatFileExist("100%s.jpg"), "100%s.jpg");  // the name itself is not rescanned
    const std::string longName(4000, 'n');
    EXPECT_EQ(t.formatFileExist(longName).size(), 4000u);
}
