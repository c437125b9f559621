// The virtual-device variable: syntax, defaults, faults and malformed entries.
#include <gtest/gtest.h>

#include "platform/media/VirtualDeviceConfig.h"

using platform::media::VirtualDeviceConfig;
using platform::media::VirtualDeviceDesc;
using platform::media::VirtualKind;

namespace {

std::vector<VirtualDeviceDesc> parse(const std::string& text, std::vector<std::string>& problems) {
    return VirtualDeviceConfig::parse(text, "3a7b", "0a01", problems);
}

TEST(VirtualDeviceConfig, ReadsTheDocumentedExample) {
    std::vector<std::string> problems;
    auto d = parse("camera:name=Desk Camera,vid=3a7b,pid=0b01;microphone:name=Desk Microphone",
                   problems);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(d[0].kind, VirtualKind::Camera);
    EXPECT_EQ(d[0].name, "Desk Camera");
    EXPECT_EQ(d[0].vid, "3a7b");
    EXPECT_EQ(d[0].pid, "0b01");
    EXPECT_EQ(d[0].formats, (std::vector<std::string>{"YUY2", "MJPG", "RGB24"}));
    EXPECT_EQ(d[1].kind, VirtualKind::Microphone);
    EXPECT_EQ(d[1].name, "Desk Microphone");
    EXPECT_NE(VirtualDeviceConfig::displayNameFor(d[0], 1).find("vid_3a7b&pid_0b01"),
              std::string::npos);
}

TEST(VirtualDeviceConfig, DefaultsFaultsFormatsAndPaths) {
    std::vector<std::string> problems;
    auto d = parse(
        "camera:;camera:formats=MJPG|YUY2,busy=1,fixed=1,delivers=10;camera:path=/x/"
        "y,unbindable=1;speaker:name=S;"
        "camera:vid=ABCD,pid=00Ef",
        problems);
    ASSERT_EQ(d.size(), 5u) << (problems.empty() ? "" : problems[0]);
    // No ids and no path: the edition's first camera.
    EXPECT_EQ(d[0].vid, "3a7b");
    EXPECT_EQ(d[0].pid, "0a01");
    EXPECT_EQ(d[0].name, "Virtual Camera");
    EXPECT_EQ(d[1].formats, (std::vector<std::string>{"MJPG", "YUY2"}));
    EXPECT_TRUE(d[1].busy);
    EXPECT_TRUE(d[1].fixedFormat);
    EXPECT_FALSE(d[0].fixedFormat);
    EXPECT_EQ(d[1].deliveredFps, 10);
    EXPECT_EQ(d[0].deliveredFps, 0);
    EXPECT_TRUE(d[2].vid.empty());
    EXPECT_TRUE(d[2].unbindable);
    EXPECT_EQ(VirtualDeviceConfig::displayNameFor(d[2], 3), "/x/y");
    EXPECT_EQ(d[3].kind, VirtualKind::Speaker);
    // Display names carry lower-case markers whatever case the ids were written in.
    EXPECT_EQ(d[4].vid, "abcd");
    EXPECT_EQ(d[4].pid, "00ef");
    // Two cameras with the same ids still get different display names.
    EXPECT_NE(VirtualDeviceConfig::displayNameFor(d[0], 1),
              VirtualDeviceConfig::displayNameFor(d[0], 2));
}

TEST(VirtualDeviceConfig, MalformedEntriesAreSkippedAndReported) {
    std::vector<std::string> problems;
    auto d = parse(
        "webcam:name=X;camera:vid=3a7;camera:vid=3a7b;camera:name;camera:formats=H264;"
        "speaker:vid=3a7b,pid=0001;microphone:vid=3a7b;camera:busy=yes;camera:colour=red;"
        "microphone:fixed=1;;  ;"
        "camera:delivers=0;camera:delivers=31;camera:delivers=1x;microphone:delivers=5;"
        "microphone:name=Ok",
        problems);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].name, "Ok");
    EXPECT_EQ(problems.size(), 14u);
}

TEST(VirtualDeviceConfig, NamesOfAnyLengthAndEncodingBecomeValidUtf8) {
    std::vector<std::string> problems;
    const std::string longName(5000, 'n');
    auto d = parse("camera:name=" + longName + ";microphone:name=Mik\xe9 \xff", problems);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].name, longName);
    EXPECT_NE(d[1].name.find("Mik"), std::string::npos);
    EXPECT_EQ(d[1].name.find('\xff'), std::string::npos);
}

}  // namespace
