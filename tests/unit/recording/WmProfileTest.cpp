// Windows Media profiles: the shipped files, their names, and text that is not a profile.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/media/WmProfile.h"
#include "support/TestEnvironment.h"

using platform::media::WmProfile;

namespace {

std::string prxsDir() {
    return std::string(std::getenv("PEEKBOX_SOURCE_DIR")) + "/resources/";
}

WmProfile loadShipped(const std::string& relative) {
    std::u16string text;
    EXPECT_TRUE(WmProfile::readFile(prxsDir() + relative, text)) << relative;
    WmProfile p;
    EXPECT_EQ(WmProfile::loadProfileByData(text, p), platform::S_Ok) << relative;
    return p;
}

TEST(WmProfile, NamesFollowQualitySizeAndAudio) {
    EXPECT_EQ(WmProfile::fileName(true, true, true, false, 1280, 720),
              "prxs/Higher_1280x720_SA.prx");
    EXPECT_EQ(WmProfile::fileName(true, true, false, true, 640, 480),
              "prxs/Standard_640x480_HA.prx");
    EXPECT_EQ(WmProfile::fileName(true, false, false, true, 320, 240), "prxs/Standard_320x240.prx");
    // Audio alone always takes the higher audio profile.
    EXPECT_EQ(WmProfile::fileName(false, true, false, false, 640, 480), "prxs/Higher_Audio.prx");
}

TEST(WmProfile, EveryShippedProfileDescribesItsName) {
    const int sizes[][2] = {{320, 240}, {640, 480}, {1280, 720}, {1280, 800}};
    for (const auto& s : sizes) {
        for (bool high : {false, true}) {
            for (int audio = 0; audio < 3; ++audio) {
                const std::string name =
                    WmProfile::fileName(true, audio != 0, high, audio == 2, s[0], s[1]);
                const WmProfile p = loadShipped(name);
                EXPECT_TRUE(p.video.present) << name;
                EXPECT_EQ(p.video.width, s[0]) << name;
                EXPECT_EQ(p.video.height, s[1]) << name;
                EXPECT_EQ(p.video.avgTimePerFrame, 333333) << name;
                EXPECT_EQ(p.audio.present, audio != 0) << name;
                if (audio != 0) {
                    EXPECT_EQ(p.audio.bitrate, audio == 2 ? 128000u : 64000u) << name;
                    EXPECT_EQ(p.audio.sampleRate, 44100) << name;
                }
            }
            // The higher quality spends more bits on the same picture.
            const WmProfile std =
                loadShipped(WmProfile::fileName(true, false, false, false, s[0], s[1]));
            const WmProfile hi =
                loadShipped(WmProfile::fileName(true, false, true, false, s[0], s[1]));
            EXPECT_GT(hi.video.bitrate, std.video.bitrate);
        }
    }
    const WmProfile audioOnly = loadShipped("prxs/Higher_Audio.prx");
    EXPECT_FALSE(audioOnly.video.present);
    EXPECT_TRUE(audioOnly.audio.present);
}

TEST(WmProfile, TextThatIsNoProfileIsRefused) {
    WmProfile p;
    EXPECT_EQ(WmProfile::loadProfileByData(u"", p), platform::E_InvalidArg);
    EXPECT_EQ(WmProfile::loadProfileByData(u"<profile><streamconfig", p), platform::E_InvalidArg);
    EXPECT_EQ(WmProfile::loadProfileByData(u"<other/>", p), platform::E_InvalidArg);
    // A profile without a stream it knows records nothing: refused as well.
    EXPECT_EQ(WmProfile::loadProfileByData(u"<profile name=\"x\"/>", p), platform::E_InvalidArg);
    // Absurd sizes fall back to the input's size instead of a scaler that cannot work.
    const std::u16string big =
        u"<profile><streamconfig majortype=\"{73646976-0000-0010-8000-00AA00389B71}\" "
        u"bitrate=\"5\"><wmmediatype><videoinfoheader avgtimeperframe=\"-4\">"
        u"<bitmapinfoheader biwidth=\"99999999\" biheight=\"-3\"/></videoinfoheader>"
        u"</wmmediatype></streamconfig></profile>";
    ASSERT_EQ(WmProfile::loadProfileByData(big, p), platform::S_Ok);
    EXPECT_EQ(p.video.width, 0);
    EXPECT_EQ(p.video.height, 0);
    EXPECT_EQ(p.video.avgTimePerFrame, 0);
}

TEST(WmProfile, FilesInEitherByteOrderRead) {
    testenv::writeFile(testenv::tempDir() + "/be.prx", std::string("\xFE\xFF\0<\0p", 6));
    std::u16string text;
    ASSERT_TRUE(WmProfile::readFile(testenv::tempDir() + "/be.prx", text));
    EXPECT_EQ(text, u"<p");
    testenv::writeFile(testenv::tempDir() + "/le.prx", std::string("\xFF\xFE<\0p\0", 6));
    ASSERT_TRUE(WmProfile::readFile(testenv::tempDir() + "/le.prx", text));
    EXPECT_EQ(text, u"<p");
    EXPECT_FALSE(WmProfile::readFile(testenv::tempDir() + "/missing.prx", text));
}

}  // namespace
