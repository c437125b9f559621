// A new user of each language with the shipped default profile: the window's caption, the
// "/msg" boxes as they appear on the screen and the preview's caption after an unplug read the
// profile's texts of that language, and English outside the table. Built once per edition.
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <qtestsupport_core.h>

#include "app/Main.h"
#include "app/VirtualDeviceControl.h"
#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "support/Locales.h"
#include "support/ProfileTexts.h"
#include "support/TestEnvironment.h"

namespace {

const editions::Edition& edition() {
    return editions::edition();
}

struct Box {
    std::string text;
    std::string caption;
};

// Reads and closes each message box as it comes up, as a person would.
class BoxReader {
  public:
    BoxReader() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (box != nullptr && box->isVisible()) {
                    boxes.push_back({box->text().toStdString(), box->windowTitle().toStdString()});
                    box->button(QMessageBox::Ok)->click();
                }
            }
        });
        timer_.start();
    }
    std::vector<Box> boxes;

  private:
    QTimer timer_;
};

class LanguageWindowTest : public testing::TestWithParam<testenv::TestLanguage> {
  protected:
    void SetUp() override {
        platform::setSleepScale(0.0);
        const std::optional<std::string> locpath = testenv::ensureLocales({GetParam().locale});
        ASSERT_TRUE(locpath.has_value()) << "cannot make the locale " << GetParam().locale;
        if (!locpath->empty()) {
            ::setenv("LOCPATH", locpath->c_str(), 1);
        }
        ::setenv("LANG", GetParam().locale, 1);
        ASSERT_NE(::setlocale(LC_ALL, ""), nullptr) << GetParam().locale;
        ASSERT_STREQ(::nl_langinfo(CODESET), "UTF-8");

        // A new user: no settings of their own, the shipped profile as the default.
        testenv::clearDir(testenv::configHome() + "/Tarnwick");
        std::filesystem::create_directories(testenv::defaultProfile() + "/Tarnwick");
        std::filesystem::copy_file(testenv::shippedProfile(profileName()),
                                   testenv::defaultProfile() + "/Tarnwick/" + profileName(),
                                   std::filesystem::copy_options::overwrite_existing);
        const editions::SupportedCamera& camera = edition().cameras[0];
        ::setenv("TARNWICK_VIRTUAL_DEVICES",
                 (std::string("camera:name=Desk Camera,vid=") + camera.vid + ",pid=" + camera.pid)
                     .c_str(),
                 1);
    }
    void TearDown() override { ::unsetenv("TARNWICK_VIRTUAL_DEVICES"); }

    static std::string profileName() {
        const std::string key = edition().settingsKey;
        return key.substr(key.rfind('\\') + 1) + ".conf";
    }
    // What the user should read: the profile's group, or the built-in English texts.
    static std::string expected(editions::MessageId id) {
        const editions::MessageTextDef& def = edition().messageTexts[static_cast<size_t>(id) - 1];
        if (*GetParam().group == '\0') {
            return def.defaultText;
        }
        return testenv::iniGroup(testenv::shippedProfile(profileName()),
                                 GetParam().group)[def.valueName];
    }
};

}  // namespace

// Every text of the edition, each within the 511 bytes a text may have, the product names kept,
// the one "%s" of the texts that take a name, commas quoted.
static void checkGroup(const std::string& profile, const std::string& group) {
    const std::map<std::string, std::string> texts = testenv::iniGroup(profile, group);
    std::vector<editions::MessageTextDef> all(edition().messageTexts.begin(),
                                              edition().messageTexts.end());
    all.insert(all.end(), edition().extraTexts.begin(), edition().extraTexts.end());
    EXPECT_EQ(texts.size(), all.size());
    for (const editions::MessageTextDef& def : all) {
        SCOPED_TRACE(def.valueName);
        ASSERT_EQ(texts.count(def.valueName), 1u);
        const std::string& text = texts.at(def.valueName);
        EXPECT_FALSE(text.empty());
        EXPECT_LE(text.size(), 511u);
        const std::string english = def.defaultText;
        const size_t percent = english.find('%');
        if (percent != std::string::npos) {
            EXPECT_EQ(text.find('%'), text.find("%s"));
            EXPECT_NE(text.find("%s"), std::string::npos);
            EXPECT_EQ(text.find('%', text.find("%s") + 1), std::string::npos);
        } else {
            EXPECT_EQ(text.find('%'), std::string::npos);
        }
    }
    EXPECT_EQ(texts.at("_MSG_URL"), edition().messageTexts[editions::MSG_URL - 1].defaultText);
    // The window's caption is text 1 once a group is read: it names the program.
    const std::string title = texts.at("_MSG_TITLE");
    EXPECT_TRUE(edition().messageCheck ? title == edition().applicationTitle
                                       : title.find("Norvale Glimmer") != std::string::npos)
        << title;
    EXPECT_TRUE(testenv::unquotedCommas(profile, group).empty());
}

TEST_P(LanguageWindowTest, CaptionsAndMessagesAreTheProfilesTexts) {
    if (*GetParam().group != '\0') {
        checkGroup(testenv::shippedProfile(profileName()), GetParam().group);
    }
    std::string programName = edition().desktopFileName;
    std::string msg = "/msg";
    char* argv[] = {programName.data(), msg.data()};
    app::AppServices services = app::defaultServices(2, argv);
    const bool inTable = *GetParam().group != '\0';
    const std::string title = expected(editions::MSG_TITLE);
    {
        BoxReader reader;
        TMainForm form(edition(), services, app::defaultCapture(edition(), services));
        ASSERT_TRUE(form.constructed());

        // "/msg": every text after the title, captioned with the title, in the main edition only.
        if (edition().messageCheck) {
            ASSERT_EQ(reader.boxes.size(), edition().messageTexts.size() - 1);
            for (size_t i = 0; i < reader.boxes.size(); ++i) {
                const auto id = static_cast<editions::MessageId>(i + 2);
                EXPECT_EQ(reader.boxes[i].text, expected(id)) << "text " << id;
                EXPECT_EQ(reader.boxes[i].caption, title) << "text " << id;
            }
        } else {
            EXPECT_TRUE(reader.boxes.empty());
        }
        // The caption is the title once a group was read, the design caption otherwise.
        EXPECT_EQ(form.windowTitle().toStdString(), inTable ? title : edition().applicationTitle);

        ASSERT_TRUE(form.FormCreate());
        TDirectShow* capture = form.DirectShow1();
        VirtualDeviceControl devices;
        ASSERT_TRUE(devices.unplug(0));
        const std::string noPreview = expected(editions::MSG_NOPREVIEW);
        EXPECT_TRUE(QTest::qWaitFor([&] { return capture->Caption().toStdString() == noPreview; }))
            << capture->Caption().toStdString() << " instead of " << noPreview;
    }  // the settings are written back here

    // The user's copy of the profile, rewritten at the end, still holds every text whole.
    if (inTable) {
        const std::string user = testenv::configHome() + "/Tarnwick/" + profileName();
        EXPECT_EQ(testenv::iniGroup(user, GetParam().group),
                  testenv::iniGroup(testenv::shippedProfile(profileName()), GetParam().group));
    }
}

// One level more, so that the edition's name is expanded before gtest pastes it.
#define INSTANTIATE_FOR_EDITION(edition)                                                      \
    INSTANTIATE_TEST_SUITE_P(edition, LanguageWindowTest,                                     \
                             testing::ValuesIn(testenv::testLanguages()),                     \
                             [](const testing::TestParamInfo<testenv::TestLanguage>& param) { \
                                 const std::string locale = param.param.locale;               \
                                 return locale.substr(0, locale.find('.'));                   \
                             })
INSTANTIATE_FOR_EDITION(LANGUAGE_TEST_EDITION);
