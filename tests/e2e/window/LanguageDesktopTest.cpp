// Both programs started by a user of each language, side by side on one desktop: the caption the
// window manager shows is the title of the shipped profile's group, or the design caption outside
// the table. The texts inside the windows, and the first start that copies the profile, are read
// by the gui tests of each edition; here the user's settings are that copy already.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

// SIGTERM, then the exit code, or -1.
int terminate(pid_t pid) {
    int status = 0;
    if (::kill(pid, SIGTERM) != 0 ||
        !waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 20000)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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
    for (const testenv::TestLanguage& language : testenv::testLanguages()) {
        SCOPED_TRACE(language.locale);
        // Leaks are the other e2e tests' concern; here they would only lengthen every exit.
        std::vector<std::string> env{std::string("LANG=") + language.locale,
                                     "TARNWICK_VIRTUAL_DEVICES=camera:name=Desk Camera",
                                     "ASAN_OPTIONS=detect_leaks=0"};
        if (!locpath->empty()) {
            env.push_back("LOCPATH=" + *locpath);
        }
        std::vector<pid_t> running;
        for (const Program& program : programs) {
            std::filesystem::create_directories(testenv::configHome() + "/Tarnwick");
            std::filesystem::copy_file(testenv::shippedProfile(program.profile),
                                       testenv::configHome() + "/Tarnwick/" + program.profile,
                                       std::filesystem::copy_options::overwrite_existing);
            running.push_back(session.launch(program.binary, env));
        }
        for (const Program& program : programs) {
            const std::string title =
                *language.group == '\0'
                    ? program.designCaption
                    : testenv::iniGroup(testenv::shippedProfile(program.profile),
                                        language.group)["_MSG_TITLE"];
            EXPECT_TRUE(waitForCaption(session, title))
                << program.binary << ": no window captioned " << title;
        }
        for (const pid_t pid : running) {
            EXPECT_EQ(terminate(pid), 0);
        }
    }
}
