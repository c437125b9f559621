// Language codes and reading a language's texts from its settings subkey.
#include <gtest/gtest.h>

#include "app/Localisation.h"
#include "support/TestEnvironment.h"

using app::languageCode;

TEST(Localisation, LanguageCodes) {
    EXPECT_EQ(languageCode(0x0404), "CHT");
    EXPECT_EQ(languageCode(0x0804), "CHS");
    EXPECT_EQ(languageCode(0x0C04), "CHT");  // Hong Kong
    EXPECT_EQ(languageCode(0x1004), "CHS");  // Singapore
    EXPECT_EQ(languageCode(0x0407), "GRM");
    EXPECT_EQ(languageCode(0x0807), "GRM");
    EXPECT_EQ(languageCode(0x0C0A), "ESN");
    EXPECT_EQ(languageCode(0x040C), "FRA");
    EXPECT_EQ(languageCode(0x0410), "ITA");
    EXPECT_EQ(languageCode(0x0411), "JPN");
    EXPECT_EQ(languageCode(0x0416), "PTG");
    EXPECT_EQ(languageCode(0x0409), "ENG");
    EXPECT_EQ(languageCode(0x0809), "ENG");
    EXPECT_EQ(languageCode(0x0413), "ENG");  // Dutch
    EXPECT_EQ(languageCode(0), "ENG");
}

TEST(Localisation, SubkeyReplacesOnlyTheTextsItHoldsWithinTheBound) {
    const std::string t511(511, 'x');
    testenv::writeFile(testenv::configHome() + "/LocVendor/Prod.conf",
                       "[General]\nCounter=1\n\n[GRM]\n_MSG_DISKFULL=Festplatte voll.\n"
                       "_MSG_FOLDER_UNUSABLE=Ordner %s geht nicht.\n_MSG_PREVIEW=" +
                           t511 + "\n_MSG_NOPREVIEW=" + std::string(512, 'y') + "\n");
    app::MessageTexts texts(editions::edition());
    EXPECT_FALSE(app::readLanguageTexts("Software\\LocVendor\\Prod", "FRA", texts));
    EXPECT_EQ(texts.text(12), "Disk space is full.");

    ASSERT_TRUE(app::readLanguageTexts("Software\\LocVendor\\Prod", "GRM", texts));
    EXPECT_EQ(texts.text(12), "Festplatte voll.");
    EXPECT_EQ(texts.text(6), t511);
    EXPECT_EQ(texts.text(7), "No Preview");  // 512 characters do not fit
    EXPECT_EQ(texts.text(1), "Norvale Glimmer webcam");
    // The text beyond the numbered table is localised too, and the table keeps its twelve.
    EXPECT_EQ(texts.text(editions::MSG_FOLDER_UNUSABLE), "Ordner %s geht nicht.");
    EXPECT_EQ(texts.count(), 12u);
}

TEST(Localisation, MessageCheckArgument) {
    EXPECT_TRUE(app::isMessageCheckArgument("/msg"));
    EXPECT_TRUE(app::isMessageCheckArgument("/MSG"));
    EXPECT_TRUE(app::isMessageCheckArgument("/MsG"));
    EXPECT_FALSE(app::isMessageCheckArgument("/msgs"));
    EXPECT_FALSE(app::isMessageCheckArgument("msg"));
    EXPECT_FALSE(app::isMessageCheckArgument(""));
}
