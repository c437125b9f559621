// Camera and microphone searches over virtual devices.
#include "CaptureFixture.h"
#include "capture/nDirectShow.h"
#include "platform/media/VirtualDeviceProvider.h"

namespace {

class DeviceDiscovery : public CaptureFixture {};

TEST_F(DeviceDiscovery, SameIdsAreTakenInEnumerationOrderFromVideoDevice) {
    devices("camera:name=First,vid=3a7b,pid=0b01;camera:name=Second,vid=3a7b,pid=0b01");
    TDirectShow ds;
    ds.options().VideoDevice = 0;
    EXPECT_EQ(ds.GetDeviceEnum("3a7b", "0b01"), 0);
    EXPECT_EQ(ds.options().VideoDevice, 0);
    ds.options().VideoDevice = 1;
    EXPECT_EQ(ds.GetDeviceEnum("3a7b", "0b01"), 0);
    EXPECT_EQ(ds.options().VideoDevice, 1);
    EXPECT_TRUE(ds.VideoSource());

    // Past the end: nothing, even though both match.
    ds.options().VideoDevice = 3;
    ds.options().VID = "keep";
    EXPECT_EQ(ds.GetDeviceEnum("3a7b", "0b01"), 1);
    EXPECT_FALSE(ds.VideoSource());
    EXPECT_EQ(ds.options().VideoDevice, 3);
    EXPECT_EQ(ds.options().VID, "keep");
}

TEST_F(DeviceDiscovery, MarkersAreMatchedExactlyAndReadFromTheDisplayName) {
    devices(
        "camera:name=Shouting,path=\\\\?\\usb#VID_3A7B&PID_0B01#loud;"
        "camera:name=No Product,path=\\\\?\\usb#vid_1234#quiet;"
        "camera:name=Broken,vid=5555,pid=6666,unbindable=1;"
        "camera:name=Plain,vid=7777,pid=8888");
    TDirectShow ds;
    EXPECT_EQ(ds.GetDeviceEnum("3a7b", "0b01"), 1);  // capitals do not match the lower-case text
    ds.options().PID = "prev";
    EXPECT_EQ(ds.GetDeviceEnum("1234", ""), 1);  // "vid_1234&pid_" is not in its name
    // Empty vendor id: the first device at or after VideoDevice that binds, whatever its ids.
    ds.options().VideoDevice = 1;
    EXPECT_EQ(ds.GetDeviceEnum("", ""), 0);
    EXPECT_EQ(ds.options().VideoDevice, 1);
    EXPECT_EQ(ds.options().VID, "1234");
    EXPECT_EQ(ds.options().PID, "prev");  // no "pid_" marker: unchanged
    ds.options().VideoDevice = 2;
    EXPECT_EQ(ds.GetDeviceEnum("", ""), 0);  // the unbindable one is passed over
    EXPECT_EQ(ds.options().VideoDevice, 3);
    EXPECT_EQ(ds.options().VID, "7777");
    EXPECT_EQ(ds.options().PID, "8888");
}

TEST_F(DeviceDiscovery, DisplayNamesAreReadIntoTheirBoundOnly) {
    // The markers must lie within the first 511 bytes of the display name.
    const std::string pad(520, 'x');
    const std::string longName(3000, 'N');
    devices("camera:name=Far,path=\\\\?\\usb#" + pad + "vid_3a7b&pid_0b01;camera:name=" + longName +
            ",path=\\\\?\\usb#vid_3a7b&pid_0b02#" + pad + pad);
    TDirectShow ds;
    EXPECT_EQ(ds.GetDeviceEnum("3a7b", "0b01"), 1);
    EXPECT_EQ(ds.GetDeviceEnum("3a7b", "0b02"), 0);
    EXPECT_EQ(ds.options().VideoDevice, 1);
    EXPECT_EQ(ds.options().PID, "0b02");
    std::vector<std::string> list;
    ds.GetDeviceList("3a7b", "0b02", list);
    EXPECT_EQ(list, (std::vector<std::string>{longName}));
}

TEST_F(DeviceDiscovery, ListsOfCamerasAndMicrophones) {
    devices(
        "camera:name=A,vid=3a7b,pid=0b01;camera:name=B,vid=3a7b,pid=0b02;"
        "microphone:name=M1;microphone:name=M2");
    TDirectShow ds;
    std::vector<std::string> list{"stale"};
    EXPECT_EQ(ds.GetDeviceList("3a7b", "0b02", list), 1);
    EXPECT_EQ(list, (std::vector<std::string>{"B"}));
    EXPECT_EQ(ds.GetDeviceList("", "", list), 1);
    EXPECT_EQ(list, (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(ds.VideoSource());
    std::vector<std::string> mics;
    ds.GetAudioDeviceList(mics);
    ds.GetAudioDeviceList(mics);
    EXPECT_EQ(mics, (std::vector<std::string>{"M1", "M2", "M1", "M2"}));
}

TEST_F(DeviceDiscovery, TheBoundCamerasMicrophoneIsCountedFirst) {
    devices(
        "camera:name=Cam,vid=3a7b,pid=0b01;microphone:name=Built-in;"
        "microphone:name=Headset,vid=0d8c,pid=0014,unbindable=1;"
        "microphone:name=Cam Mic,vid=3a7b,pid=0b01");
    TDirectShow ds;
    std::vector<std::string> mics;
    ds.GetAudioDeviceList(mics);
    EXPECT_EQ(mics, (std::vector<std::string>{"Built-in", "Headset", "Cam Mic"}))
        << "without a camera the order is the platform's";
    EXPECT_EQ(ds.GetAudioDevice(2, false), 0);  // Cam Mic

    ASSERT_EQ(ds.GetDeviceEnum("3a7b", "0b01"), 0);
    mics.clear();
    ds.GetAudioDeviceList(mics);
    EXPECT_EQ(mics, (std::vector<std::string>{"Cam Mic", "Built-in", "Headset"}));
    // The binding counts in the same order: index 2 is now the headset, which does not bind.
    EXPECT_EQ(ds.GetAudioDevice(2, false), 1);
    ds.options().CaptureAudio = true;
    EXPECT_EQ(ds.GetAudioDevice(0, false), 0);
    EXPECT_TRUE(ds.AudioSource());
}

TEST_F(DeviceDiscovery, AudioSearchSkipsByCountAndRetriesInPlace) {
    devices(
        "microphone:name=M0;microphone:name=M1,unbindable=1;microphone:name=M2;speaker:name=S0");
    TDirectShow ds;
    ds.options().CaptureAudio = true;
    ds.options().AudioDevice = 1;
    // The second does not bind, so the third is tried in its place.
    EXPECT_EQ(ds.GetAudioDevice(1, false), 0);
    EXPECT_TRUE(ds.AudioSource());
    EXPECT_TRUE(ds.options().CaptureAudio);
    EXPECT_EQ(ds.options().AudioDevice, 1);

    // A sound output never fills the microphone slot: capture is switched off.
    EXPECT_EQ(ds.GetAudioDevice(0, true), 0);
    EXPECT_TRUE(ds.AudioRenderer());
    EXPECT_FALSE(ds.AudioSource());
    EXPECT_FALSE(ds.options().CaptureAudio);
    EXPECT_EQ(ds.options().AudioDevice, 0);
}

TEST_F(DeviceDiscovery, ThirdMicrophoneUnbindableBindsNothing) {
    devices("microphone:name=M0;microphone:name=M1;microphone:name=M2,unbindable=1");
    TDirectShow ds;
    ds.options().CaptureAudio = true;
    ds.options().AudioDevice = 2;
    EXPECT_EQ(ds.GetAudioDevice(2, false), 1);
    EXPECT_FALSE(ds.AudioSource());
    EXPECT_FALSE(ds.options().CaptureAudio);
    EXPECT_EQ(ds.options().AudioDevice, 0);

    devices("camera:name=C");
    ds.options().CaptureAudio = true;
    EXPECT_EQ(ds.GetAudioDevice(0, false), 1);  // empty category
    EXPECT_FALSE(ds.options().CaptureAudio);
}

TEST_F(DeviceDiscovery, SupportDevsAreTriedWhileNoCameraWasEverBoundAndForEmptyIds) {
    devices("camera:name=Other,vid=1111,pid=2222;camera:name=Second,vid=3a7b,pid=0c02");
    TDirectShow ds;
    ds.FWriteSupportDev({"3a7b", "3a7b:0a01", "3a7b-0c02-trailing"});
    ds.InitRunCapture("ffff", "ffff", false);  // ignored while VID and PID are empty
    ASSERT_TRUE(ds.DeviceEnable());
    EXPECT_EQ(ds.options().VID, "3a7b");
    EXPECT_EQ(ds.options().PID, "0c02");
    ds.Close();
    // Once a camera was found the arguments count ...
    ds.InitRunCapture("ffff", "ffff", false);
    EXPECT_FALSE(ds.DeviceEnable());
    // ... and empty ones still mean the list, not whichever camera comes first.
    ds.options().VideoDevice = 0;
    ds.InitRunCapture("", "", false);
    ASSERT_TRUE(ds.DeviceEnable());
    EXPECT_EQ(ds.options().PID, "0c02");
    EXPECT_EQ(ds.options().VideoDevice, 1);
    ds.Close();
    // Without a list, empty ids take the first camera.
    ds.FWriteSupportDev({});
    ds.options().VideoDevice = 0;
    ds.InitRunCapture("", "", false);
    ASSERT_TRUE(ds.DeviceEnable());
    EXPECT_EQ(ds.options().PID, "2222");
}

TEST_F(DeviceDiscovery, RecordBuildBindsTheMicrophoneOrDropsSound) {
    devices("camera:name=C,vid=3a7b,pid=0b01;microphone:name=M");
    TDirectShow ds;
    ds.options().CaptureAudio = true;
    ds.InitRunCapture("3a7b", "0b01", true);
    ASSERT_TRUE(ds.DeviceEnable());
    EXPECT_TRUE(ds.InRecord());
    EXPECT_TRUE(ds.AudioSource());
    EXPECT_TRUE(ds.options().CaptureAudio);
    EXPECT_TRUE(ds.Graph()->findFilterByName("Audio Device"));
    ds.Run();
    EXPECT_EQ(ds.RunGraphResult(), 0);
    EXPECT_TRUE(ds.Ready());

    devices("camera:name=C,vid=3a7b,pid=0b01");
    ds.InitRunCapture("3a7b", "0b01", true);
    EXPECT_FALSE(ds.options().CaptureAudio);
    EXPECT_FALSE(ds.Graph()->findFilterByName("Audio Device"));
}

TEST_F(DeviceDiscovery, CameraUnpluggedAndPluggedAgain) {
    devices("camera:name=C,vid=3a7b,pid=0b01");
    TDirectShow ds;
    std::vector<std::string> names;
    platform::media::VirtualDeviceProvider::setHotplugListener(
        [&names](bool arrived, const std::string& n) {
            names.push_back((arrived ? "+" : "-") + n);
        });
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.DeviceEnable());
    std::vector<std::string> list;
    ds.GetDeviceList("", "", list);
    ASSERT_EQ(list.size(), 1u);
    devices("");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_NE(names[0].find("vid_" + ds.options().VID + "&pid_" + ds.options().PID),
              std::string::npos);
    ds.Close();
    ds.InitRunCapture("3a7b", "0b01", false);
    EXPECT_FALSE(ds.DeviceEnable());
    ASSERT_TRUE(platform::media::VirtualDeviceProvider::add("camera:name=C,vid=3a7b,pid=0b01"));
    ds.InitRunCapture("3a7b", "0b01", false);
    EXPECT_TRUE(ds.DeviceEnable());
    platform::media::VirtualDeviceProvider::setHotplugListener(nullptr);
}

}  // namespace
