// Locale names and environment precedence to LANGIDs.
#include <map>

#include <gtest/gtest.h>

#include "platform/UiLanguage.h"

using platform::langIdFromLocaleName;

TEST(UiLanguage, LocaleNamesMapToWindowsLanguageIds) {
    EXPECT_EQ(langIdFromLocaleName("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(langIdFromLocaleName("de_AT"), 0x0C07);
    EXPECT_EQ(langIdFromLocaleName("zh_TW.UTF-8"), 0x0404);
    EXPECT_EQ(langIdFromLocaleName("zh_CN"), 0x0804);
    EXPECT_EQ(langIdFromLocaleName("zh_HK"), 0x0C04);
    EXPECT_EQ(langIdFromLocaleName("zh"), 0x0804);
    EXPECT_EQ(langIdFromLocaleName("nl_NL"), 0x0413);
    EXPECT_EQ(langIdFromLocaleName("pt_BR@euro"), 0x0416);
    EXPECT_EQ(langIdFromLocaleName("ja_JP.eucJP"), 0x0411);
    EXPECT_EQ(langIdFromLocaleName("en_GB"), 0x0809);
    EXPECT_EQ(langIdFromLocaleName("C"), 0x0409);
    EXPECT_EQ(langIdFromLocaleName("POSIX"), 0x0409);
    EXPECT_EQ(langIdFromLocaleName(""), 0x0409);
    EXPECT_EQ(langIdFromLocaleName("xx_YY"), 0x0409);
}

TEST(UiLanguage, EnvironmentPrecedenceIsLanguageThenLcAllThenLcMessagesThenLang) {
    std::map<std::string, std::string> env;
    auto reader = [&env](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };
    EXPECT_EQ(platform::systemUiLanguage(reader), 0x0409);
    env["LANG"] = "fr_FR.UTF-8";
    EXPECT_EQ(platform::systemUiLanguage(reader), 0x040C);
    env["LC_MESSAGES"] = "it_IT";
    EXPECT_EQ(platform::systemUiLanguage(reader), 0x0410);
    env["LC_ALL"] = "es_ES";
    EXPECT_EQ(platform::systemUiLanguage(reader), 0x0C0A);
    env["LANGUAGE"] = "de_CH:en";
    EXPECT_EQ(platform::systemUiLanguage(reader), 0x0807);
    env["LANGUAGE"] = "";  // empty entries are skipped
    EXPECT_EQ(platform::systemUiLanguage(reader), 0x0C0A);
}
