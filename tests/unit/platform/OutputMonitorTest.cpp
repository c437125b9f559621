// Monitors of outputs are told from microphones by the properties a sound server gives them
// (as pipewire-pulse lists them to GStreamer's device provider).
#include <gtest/gtest.h>

#include "platform/media/OutputMonitor.h"

using platform::media::isOutputMonitor;

TEST(OutputMonitor, OnlyASinksMonitorIsNoMicrophone) {
    gst_init(nullptr, nullptr);
    GstStructure* monitor =
        gst_structure_new("pulse-proplist", "device.class", G_TYPE_STRING, "monitor", "media.class",
                          G_TYPE_STRING, "Audio/Sink", nullptr);
    GstStructure* usbMicrophone =
        gst_structure_new("pulse-proplist", "device.class", G_TYPE_STRING, "sound", "device.bus",
                          G_TYPE_STRING, "usb", "node.name", G_TYPE_STRING,
                          "alsa_input.usb-Test_Desk_Camera_1-00.mono-fallback", nullptr);
    GstStructure* alsa = gst_structure_new("alsa-proplist", "device.api", G_TYPE_STRING, "alsa",
                                           "alsa.card_name", G_TYPE_STRING, "Loopback", nullptr);
    EXPECT_TRUE(isOutputMonitor(monitor));
    EXPECT_FALSE(isOutputMonitor(usbMicrophone));
    EXPECT_FALSE(isOutputMonitor(alsa)) << "a loopback card is a capture device of its own";
    EXPECT_FALSE(isOutputMonitor(nullptr));
    gst_structure_free(monitor);
    gst_structure_free(usbMicrophone);
    gst_structure_free(alsa);
}
