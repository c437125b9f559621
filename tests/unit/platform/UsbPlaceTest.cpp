// A camera's own microphones are listed first; where a device sits on USB is found from what each
// provider really gives (properties as the bench's kernel, ALSA, PipeWire and v4l2 showed them)
// over a sysfs tree laid out as the kernel lays it out.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/media/UsbPlace.h"
#include "platform/media/UsbPlaceOfDevice.h"
#include "support/TestEnvironment.h"

using namespace platform::media;
namespace fs = std::filesystem;

TEST(UsbPlace, Kinship) {
    const UsbPlace camera{"/sys/devices/usb1/1-2", "3a7b", "0b01"};
    const struct {
        UsbPlace camera, microphone;
        UsbKinship expected;
    } rows[] = {
        {camera, {"/sys/devices/usb1/1-2", "3a7b", "0b01"}, UsbKinship::SameDevice},
        {camera, {"/sys/devices/usb3/3-1", "3a7b", "0b01"}, UsbKinship::SameIds},
        {camera, {"", "3a7b", "0b01"}, UsbKinship::SameIds},
        {{"", "3a7b", "0b01"}, {"/sys/devices/usb3/3-1", "3a7b", "0b01"}, UsbKinship::SameIds},
        {camera, {"/sys/devices/usb1/1-3", "3a7b", "0b02"}, UsbKinship::Unrelated},
        {camera, {}, UsbKinship::Unrelated},
        // Nothing known is no kinship: off-USB devices must not pair with a camera off USB.
        {{}, {}, UsbKinship::Unrelated},
        {{"/sys/devices/usb1/1-2", "", ""}, {"", "", ""}, UsbKinship::Unrelated},
        {{"", "3a7b", ""}, {"", "3a7b", ""}, UsbKinship::Unrelated},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(kinship(r.camera, r.microphone), r.expected)
            << r.camera.device << " " << r.camera.vid << ":" << r.camera.pid << " / "
            << r.microphone.device << " " << r.microphone.vid << ":" << r.microphone.pid;
    }
}

TEST(UsbPlace, OrderIsAStablePartitionByKinship) {
    const UsbPlace camera{"/sys/devices/usb1/1-2", "3a7b", "0b01"};
    const UsbPlace builtIn{"", "", ""};
    const UsbPlace own{"/sys/devices/usb1/1-2", "3a7b", "0b01"};
    const UsbPlace twin{"/sys/devices/usb1/1-4", "3a7b", "0b01"};  // the same model, elsewhere
    const UsbPlace headset{"/sys/devices/usb1/1-3", "0d8c", "0014"};
    const struct {
        std::vector<UsbPlace> microphones;
        std::vector<size_t> expected;
    } rows[] = {
        {{builtIn, builtIn, own}, {2, 0, 1}},
        {{builtIn, twin, headset, own}, {3, 1, 0, 2}},
        {{own, builtIn}, {0, 1}},
        {{builtIn, headset, builtIn}, {0, 1, 2}},
        {{}, {}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(orderBesideCamera(camera, r.microphones), r.expected);
    }
    EXPECT_EQ(orderBesideCamera({}, {builtIn, own}), (std::vector<size_t>{0, 1}))
        << "without a camera the order stays";
}

namespace {

void link(const fs::path& from, const fs::path& to) {
    fs::create_directories(from.parent_path());
    fs::create_directory_symlink(fs::relative(to, from.parent_path()), from);
}

// A sysfs tree: a USB microphone (card 1) on vhci, a loopback card (card 0) off USB, and a
// camera (video0) on dummy_hcd; class links point at the devices, "device" at the parent.
std::string fakeSysfs() {
    const fs::path root = testenv::tempDir() + "/sys";
    fs::remove_all(root);
    const fs::path mic = root / "devices/platform/vhci_hcd.0/usb3/3-1";
    const fs::path cam = root / "devices/platform/dummy_hcd.0/usb1/1-1";
    for (const fs::path& usb : {mic, cam}) {
        testenv::writeFile(usb / "idVendor", "3a7b\n");
        testenv::writeFile(usb / "idProduct", "0b01\n");
    }
    testenv::writeFile(root / "devices/platform/vhci_hcd.0/usb3/idVendor", "1d6b\n");
    testenv::writeFile(root / "devices/platform/vhci_hcd.0/usb3/idProduct", "0002\n");
    const fs::path loop = root / "devices/platform/snd_aloop.0";
    const struct {
        fs::path parent, node;
    } nodes[] = {{mic / "3-1:1.0", mic / "3-1:1.0/sound/card1"},
                 {loop, loop / "sound/card0"},
                 {cam / "1-1:1.0", cam / "1-1:1.0/video4linux/video0"}};
    for (const auto& n : nodes) {
        fs::create_directories(n.node);
        link(n.node / "device", n.parent);
        const std::string cls = n.node.parent_path().filename();
        link(root / "class" / cls / n.node.filename(), n.node);
    }
    return root.string();
}

}  // namespace

TEST(UsbPlace, FoundFromWhatEachProviderGives) {
    gst_init(nullptr, nullptr);
    const std::string sysfs = fakeSysfs();
    const std::string micUsb = sysfs + "/devices/platform/vhci_hcd.0/usb3/3-1";
    const std::string camUsb = sysfs + "/devices/platform/dummy_hcd.0/usb1/1-1";
    const struct {
        const char* what;
        const char* properties;  // as gst_structure_from_string reads them
        UsbPlace expected;
    } rows[] = {
        {"ALSA",
         "p, alsa.card=(int)1, alsa.components=(string)USB3a7b:0b01",
         {micUsb, "3a7b", "0b01"}},
        {"PulseAudio protocol: the path below /sys",
         "p, sysfs.path=(string)/devices/platform/vhci_hcd.0/usb3/3-1/3-1:1.0/sound/card1",
         {micUsb, "3a7b", "0b01"}},
        {"PulseAudio protocol: the card as text",
         "p, alsa.card=(string)1",
         {micUsb, "3a7b", "0b01"}},
        {"PipeWire's own card key", "p, api.alsa.card=(string)1", {micUsb, "3a7b", "0b01"}},
        {"v4l2 without udev", "p, device.path=(string)/dev/video0", {camUsb, "3a7b", "0b01"}},
        {"loopback card: off USB", "p, alsa.card=(int)0, alsa.components=(string)\"\"", {}},
        {"card gone from sysfs: the ids it named",
         "p, alsa.card=(int)5, alsa.components=(string)\"HDA:1 USB046D:0825\"",
         {"", "046d", "0825"}},
        {"udev ids when sysfs has nothing",
         "p, device.path=(string)/dev/video7, device.vendor.id=(string)0x3A7B, "
         "device.product.id=(string)0B01",
         {"", "3a7b", "0b01"}},
    };
    for (const auto& r : rows) {
        GstStructure* props = gst_structure_from_string(r.properties, nullptr);
        ASSERT_NE(props, nullptr) << r.properties;
        EXPECT_EQ(usbPlaceOf(props, sysfs), r.expected)
            << r.what << ": " << usbPlaceOf(props, sysfs).device;
        gst_structure_free(props);
    }
    // GUdev names the whole path, /sys included.
    GstStructure* udev =
        gst_structure_new("p", "sysfs.path", G_TYPE_STRING,
                          (camUsb + "/1-1:1.0/video4linux/video0").c_str(), nullptr);
    EXPECT_EQ(usbPlaceOf(udev, sysfs).device, camUsb);
    // A virtual device: its path is a name, only its ids count.
    gst_structure_set(udev, "device.vendor.id", G_TYPE_STRING, "1234", "device.product.id",
                      G_TYPE_STRING, "abcd", nullptr);
    EXPECT_EQ(usbPlaceOf(udev, ""), (UsbPlace{"", "1234", "abcd"}));
    gst_structure_free(udev);
}
