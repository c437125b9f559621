// Both programs started by a new user of each language, on one desktop: the caption the window
// manager shows is the title of the shipped profile's group, or the design caption outside the
// table. The texts inside the window are read by the gui tests of each edition.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DesktopSession.h"
#include "XWindows.h"
#include "support/Locales.h"
#include "support/ProfileTexts.h"
#include "support/TestEnvironment.h"

namespace {

struct Program {
    const char* binary;
    const char* profile;
    const char* designCaption;
};

// A mapped window captioned `title` as the window manager reads it (_NET_WM_NAME).
bool waitForCaption(DesktopSession& session, const std::string& title) {
    return waitUntil(
        [&] {
            for (const uint32_t w : session.windows().clientWindows()) {
                if (session.windows().netWmName(w).value_or("") == title) {
                    return true;
                }
            }
            return false;
        },
        30000, 50);
}

}  // namespace

TEST(LanguageDesktopTest, EachProgramIsCaptionedInTheLanguageOfItsLocale) {
    const std::optional<std::string> locpath = testenv::ensureLocales(testenv::testLocaleNames());
    ASSERT_TRUE(locpath.has_value()) << "the locales could not be made";
    DesktopSession session;
    ASSERT_TRUE(session.ready());
    const Program programs[] = {{"peekbox", "Peekbox.conf", "Peekbox"},
                                {"glimmer", "Glimmer.conf", "Norvale Glimmer webcam"}};
    for (const Program& program : programs) {
        for (const testenv::TestLanguage& language : testenv::testLanguages()) {
            SCOPED_TRACE(std::string(program.binary) + " " + language.locale);
            // A new user: the shipped profile is copied at the first start.
            testenv::clearDir(testenv::configHome() + "/Tarnwick");
            std::filesystem::create_directories(testenv::defaultProfile() + "/Tarnwick");
            std::filesystem::copy_file(testenv::shippedProfile(program.profile),
                                       testenv::defaultProfile() + "/Tarnwick/" + program.profile,
                                       std::filesystem::copy_options::overwrite_existing);
            std::vector<std::string> env{std::string("LANG=") + language.locale,
                                         "TARNWICK_VIRTUAL_DEVICES=camera:name=Desk Camera"};
            if (!locpath->empty()) {
                env.push_back("LOCPATH=" + *locpath);
            }
            const std::string title =
                *language.group == '\0'
                    ? program.designCaption
                    : testenv::iniGroup(testenv::shippedProfile(program.profile),
                                        language.group)["_MSG_TITLE"];
            ASSERT_TRUE(session.start(program.binary, env));
            EXPECT_TRUE(waitForCaption(session, title)) << "no window captioned " << title;
            EXPECT_EQ(session.terminate(), 0);
        }
    }
}
