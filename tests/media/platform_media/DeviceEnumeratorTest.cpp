// Virtual devices through the enumerator: order, names, binding faults, hot-plug, compressors.
#include <algorithm>

#include <gtest/gtest.h>

#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/VirtualDeviceProvider.h"

using namespace platform;
using namespace platform::media;

namespace {

class DeviceEnumeratorTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MediaRuntime::initialise());
        DeviceEnumerator::setRealDevicesEnabled(false);
    }
    void TearDown() override {
        VirtualDeviceProvider::setHotplugListener(nullptr);
        VirtualDeviceProvider::configure("");
    }
    static std::vector<std::string> friendly(DeviceCategory c) {
        std::vector<Moniker> list;
        DeviceEnumerator::createClassEnumerator(c, list);
        std::vector<std::string> out;
        for (auto& m : list) {
            std::string n;
            EXPECT_EQ(m.bindToStorage(), S_Ok);
            EXPECT_EQ(m.readFriendlyName(n), S_Ok);
            out.push_back(n);
        }
        return out;
    }
};

TEST_F(DeviceEnumeratorTest, CategoriesListTheirVirtualDevicesInOrder) {
    VirtualDeviceProvider::configure(
        "camera:name=Desk Camera,vid=3a7b,pid=0b01;microphone:name=Desk Microphone;"
        "camera:name=Side,path=\\\\?\\usb#VID_3A7B&PID_0B01#x;speaker:name=Desk "
        "Speaker;microphone:name=Two");
    EXPECT_EQ(friendly(DeviceCategory::VideoInput),
              (std::vector<std::string>{"Desk Camera", "Side"}));
    EXPECT_EQ(friendly(DeviceCategory::AudioInput),
              (std::vector<std::string>{"Desk Microphone", "Two"}));
    EXPECT_EQ(friendly(DeviceCategory::AudioOutput), (std::vector<std::string>{"Desk Speaker"}));
    std::vector<Moniker> cams;
    ASSERT_EQ(DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, cams), S_Ok);
    EXPECT_NE(cams[0].displayName().find("vid_3a7b&pid_0b01"), std::string::npos);
    EXPECT_EQ(cams[1].displayName(), "\\\\?\\usb#VID_3A7B&PID_0B01#x");

    VirtualDeviceProvider::configure("");
    std::vector<Moniker> none;
    EXPECT_EQ(DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, none), S_False);
    EXPECT_TRUE(none.empty());
}

TEST_F(DeviceEnumeratorTest, UnbindableAndUnpluggedDevicesFailToBind) {
    VirtualDeviceProvider::configure(
        "microphone:name=A;microphone:name=B,unbindable=1;camera:name=C");
    std::vector<Moniker> mics;
    ASSERT_EQ(DeviceEnumerator::createClassEnumerator(DeviceCategory::AudioInput, mics), S_Ok);
    ASSERT_EQ(mics.size(), 2u);
    Filter f;
    EXPECT_EQ(mics[0].bindToObject(f), S_Ok);
    EXPECT_TRUE(f);
    EXPECT_TRUE(failed(mics[1].bindToObject(f)));
    EXPECT_FALSE(f);

    // Listed, then pulled before the bind.
    std::vector<Moniker> cams;
    ASSERT_EQ(DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, cams), S_Ok);
    ASSERT_TRUE(VirtualDeviceProvider::remove(cams[0].displayName()));
    EXPECT_EQ(cams[0].bindToObject(f), E_NotFound);
}

TEST_F(DeviceEnumeratorTest, HotPlugAnnouncesUsbInterfaceNames) {
    VirtualDeviceProvider::configure("");
    std::vector<std::pair<bool, std::string>> seen;
    VirtualDeviceProvider::setHotplugListener(
        [&seen](bool arrived, const std::string& name) { seen.emplace_back(arrived, name); });
    std::string display;
    ASSERT_TRUE(VirtualDeviceProvider::add("camera:name=Plug,vid=3a7b,pid=0a02", &display));
    EXPECT_EQ(friendly(DeviceCategory::VideoInput), (std::vector<std::string>{"Plug"}));
    ASSERT_TRUE(VirtualDeviceProvider::remove(display));
    EXPECT_TRUE(friendly(DeviceCategory::VideoInput).empty());
    EXPECT_FALSE(VirtualDeviceProvider::remove(display));
    ASSERT_TRUE(VirtualDeviceProvider::add("camera:name=Plug,vid=3a7b,pid=0a02"));
    EXPECT_FALSE(VirtualDeviceProvider::add("camera:vid=zz"));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(seen[0].first);
    EXPECT_FALSE(seen[1].first);
    EXPECT_EQ(seen[0].second, seen[1].second);
    EXPECT_EQ(seen[0].second.rfind("\\\\?\\usb#vid_3a7b&pid_0a02#", 0), 0u);
}

TEST_F(DeviceEnumeratorTest, MonitorSeesVirtualArrivalAndRemoval) {
    VirtualDeviceProvider::configure("");
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    ASSERT_TRUE(gst_device_monitor_start(monitor));
    GstBus* bus = gst_device_monitor_get_bus(monitor);
    auto waitFor = [bus](GstMessageType type, const char* name) {
        for (;;) {
            GstMessage* m = gst_bus_timed_pop_filtered(bus, 2 * GST_SECOND, type);
            if (m == nullptr) {
                return false;
            }
            GstDevice* d = nullptr;
            if (type == GST_MESSAGE_DEVICE_ADDED) {
                gst_message_parse_device_added(m, &d);
            } else {
                gst_message_parse_device_removed(m, &d);
            }
            gchar* dn = gst_device_get_display_name(d);
            const bool match = g_strcmp0(dn, name) == 0;
            g_free(dn);
            gst_object_unref(d);
            gst_message_unref(m);
            if (match) {
                return true;
            }
        }
    };
    std::string display;
    ASSERT_TRUE(VirtualDeviceProvider::add("camera:name=Hot,vid=3a7b,pid=0a03", &display));
    EXPECT_TRUE(waitFor(GST_MESSAGE_DEVICE_ADDED, "Hot"));
    ASSERT_TRUE(VirtualDeviceProvider::remove(display));
    EXPECT_TRUE(waitFor(GST_MESSAGE_DEVICE_REMOVED, "Hot"));
    gst_object_unref(bus);
    gst_device_monitor_stop(monitor);
    gst_object_unref(monitor);
}

TEST_F(DeviceEnumeratorTest, CompressorsFeedTheAviMultiplexer) {
    std::vector<std::string> video = friendly(DeviceCategory::VideoCompressor);
    std::vector<std::string> audio = friendly(DeviceCategory::AudioCompressor);
    auto has = [](const std::vector<std::string>& l, const std::string& n) {
        return std::find(l.begin(), l.end(), n) != l.end();
    };
    EXPECT_TRUE(has(video, "JPEG image encoder"));
    EXPECT_FALSE(has(audio, "JPEG image encoder"));
    EXPECT_FALSE(has(video, "libav MPEG-4 part 2 encoder"));
    EXPECT_FALSE(has(video, "libav OpenMAX IL H.264 video encoder encoder"));
    std::vector<Moniker> list;
    ASSERT_EQ(DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoCompressor, list), S_Ok);
    Filter f;
    EXPECT_EQ(list.front().bindToObject(f), S_Ok);
    EXPECT_TRUE(f);
}

}  // namespace
