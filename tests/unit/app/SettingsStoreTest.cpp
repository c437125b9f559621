// The settings store: default-profile copy, typed reads with defaults, shutdown writes.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/SettingsStore.h"
#include "platform/Sleep.h"
#include "support/TestEnvironment.h"

namespace {
class SettingsStoreTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::setSleepScale(0.0);
        testenv::clearDir(testenv::configHome());
        testenv::clearDir(testenv::defaultProfile());
    }
    const std::string key = "Software\\StVendor\\Prod";
    std::string userFile() const { return testenv::configHome() + "/StVendor/Prod.conf"; }
};
}  // namespace

TEST_F(SettingsStoreTest, MissingKeyIsCopiedFromTheDefaultProfileAfterTheCopyWait) {
    testenv::writeFile(testenv::defaultProfile() + "/StVendor/Prod.conf",
                       "[General]\nCounter=42\n");
    app::SettingsStore store(key);
    const uint64_t before = platform::sleptMsTotal();
    ASSERT_TRUE(store.openAtStartup());
    EXPECT_EQ(platform::sleptMsTotal() - before, 2000u);
    app::StartupSettings s;
    store.read(s);
    EXPECT_EQ(s.counter, 42);
    EXPECT_TRUE(testenv::fileExists(userFile()));
}

TEST_F(SettingsStoreTest, MissingEverywhereFailsAndAPresentKeyNeedsNoWait) {
    app::SettingsStore store(key);
    EXPECT_FALSE(store.openAtStartup());
    testenv::writeFile(userFile(), "");
    const uint64_t before = platform::sleptMsTotal();
    EXPECT_TRUE(store.openAtStartup());
    EXPECT_EQ(platform::sleptMsTotal(), before);
}

// Read before the open copies the default profile: until the user has a key, the default
// profile's group counts; once the user has one, only the user's.
TEST_F(SettingsStoreTest, AGroupComesFromTheUsersKeyElseFromTheDefaultProfile) {
    testenv::writeFile(testenv::defaultProfile() + "/StVendor/Prod.conf",
                       "[Rows]\nb=from profile\n");
    app::SettingsStore store(key);
    using Values = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(store.readGroup("Rows"), (Values{{"b", "from profile"}}));
    testenv::writeFile(userFile(), "[General]\nCounter=1\n");
    EXPECT_EQ(store.readGroup("Rows"), Values{});
    testenv::writeFile(userFile(), "[rows]\n2=two\n10=\"ten, quoted\"\n1=one\n");
    EXPECT_EQ(store.readGroup("Rows"), (Values{{"1", "one"}, {"10", "ten, quoted"}, {"2", "two"}}));
}

// The older values keep their defaults silently; the recording and motion values say which
// value was wrong, each once.
TEST_F(SettingsStoreTest, ValuesOfTheWrongTypeKeepTheirDefaults) {
    testenv::writeFile(userFile(),
                       "[General]\nHWOverlayDisable=2\nCounter=banana\nFrequency=high\n"
                       "ShowDate=2\nAddTimeStr=yes\nMotionSnapshot=-3\nCompressorName=" +
                           std::string(256, 'x') + "\nAudioCompressorName=WMA\n");
    app::SettingsStore store(key);
    app::StartupSettings s;
    s.counter = 1;
    s.frequency = 1;
    std::vector<std::string> problems;
    store.read(s, &problems);
    EXPECT_TRUE(s.overlayDisable);  // any non-zero value
    EXPECT_EQ(s.counter, 1);
    EXPECT_EQ(s.frequency, 1u);
    EXPECT_FALSE(s.showDate);
    EXPECT_FALSE(s.addTimeStr);
    EXPECT_EQ(s.motionSnapshotSeconds, 0);
    EXPECT_EQ(s.compressorName, "");
    EXPECT_EQ(s.audioCompressorName, "WMA");
    EXPECT_EQ(
        problems,
        (std::vector<std::string>{
            "[General] ShowDate: \"2\" is not 0 or 1; 0 is kept",
            "[General] AddTimeStr: \"yes\" is not 0 or 1; 0 is kept",
            "[General] MotionSnapshot: \"-3\" is not a number of seconds from 0 to 86400; "
            "0 is kept",
            "[General] CompressorName: a name of 256 bytes is longer than 255; none is used"}));

    for (const char* seconds : {"0x10", "2.5", "86401", "99999999999", ""}) {
        testenv::writeFile(userFile(), std::string("[General]\nMotionSnapshot=") + seconds + "\n");
        problems.clear();
        store.read(s, &problems);
        EXPECT_EQ(s.motionSnapshotSeconds, 0) << seconds;
        EXPECT_EQ(problems.size(), 1u) << seconds;
    }
    testenv::writeFile(userFile(),
                       "[General]\nShowDate=1\nAddTimeStr= 1 \nMotionSnapshot=86400\n"
                       "CompressorName=JPEG image encoder\n");
    problems.clear();
    store.read(s, &problems);
    EXPECT_TRUE(s.showDate);
    EXPECT_TRUE(s.addTimeStr);
    EXPECT_EQ(s.motionSnapshotSeconds, 86400);
    EXPECT_EQ(s.compressorName, "JPEG image encoder");
    EXPECT_EQ(problems, std::vector<std::string>{});
}

TEST_F(SettingsStoreTest, ShutdownWritesEveryValueAndAnUnwritableFileLosesNothing) {
    // Values the program only reads, or does not know, stay as the user wrote them.
    testenv::writeFile(userFile(),
                       "[General]\nCounter=3\nAviCounter=17\nShowDate=1\nMotionSnapshot=5\n"
                       "CompressorName=JPEG image encoder\nAudioCompressorName=WAV\nOther=x\n");
    app::SettingsStore store(key);
    app::ShutdownSettings out{.top = -5,
                              .left = 100,
                              .counter = 9,
                              .imageWidth = 1280,
                              .imageHeight = 800,
                              .frequency = 2};
    store.write(out);
    const std::string written = testenv::readFile(userFile());
    for (const char* line :
         {"Top=4294967291", "Left=100", "Counter=9", "ImageWidth=1280", "ImageHeight=800",
          "Frequency=2", "AviCounter=17", "ShowDate=1", "MotionSnapshot=5",
          "CompressorName=JPEG image encoder", "AudioCompressorName=WAV", "Other=x"}) {
        EXPECT_NE(written.find(line), std::string::npos) << line << "\n" << written;
    }

    if (::geteuid() != 0) {
        ::chmod((testenv::configHome() + "/StVendor").c_str(), 0500);
        out.counter = 10;
        store.write(out);  // no crash, no report
        ::chmod((testenv::configHome() + "/StVendor").c_str(), 0700);
        EXPECT_EQ(testenv::readFile(userFile()), written);
    }

    // A key that vanished during the run is not created again.
    ::unlink(userFile().c_str());
    store.write(out);
    EXPECT_FALSE(testenv::fileExists(userFile()));
}
