// The notification of a start without a usable camera: the settings rows it offers (under keys
// the group does not use, one per model, none without ids) and a fixed table's word instead.
#include <gtest/gtest.h>

#include "app/NoCameraNotice.h"
#include "editions/Edition.h"
#include "platform/VideoInfoHeader.h"

namespace {

using app::CameraRow;

const std::vector<CameraRow> kRows{{"3a7b", "0b01", 0, platform::kFourCC_YUY2, 1}};
const app::CameraRowTarget kTarget{"/home/u/.config/Tarnwick/Peekbox.conf", {"1", "3", "x"}};

}  // namespace

// Each reason in both editions is read back from a real notification service by the desktop
// test; here, the rows offered for every kind of camera a listing may hold.
TEST(NoCameraNotice, OffersARowForEachModelThatOneCanAdd) {
    const editions::Edition& edition = editions::edition();
    const std::vector<app::SeenCamera> seen{
        {"Held", "vid_3a7b&pid_0b01#1"},        {"Desk Webcam", "vid_046d&pid_0825#2"},
        {"Desk Webcam", "vid_046d&pid_0825#3"}, {"", "/dev/video3"},
        {"Odd", "vid_04zz&pid_0001"},           {"Loud", "vid_1A2B&pid_3C4D"},
        {"Other", "vid_1a2b&pid_3c4d"}};
    EXPECT_EQ(app::noCameraNotice(edition, seen, kRows, kTarget).body,
              "Held 3a7b:0b01 is supported but could not be started\n"
              "Desk Webcam 046d:0825 is not in the supported camera list\n"
              "Desk Webcam 046d:0825 is not in the supported camera list\n"
              "unnamed camera (no USB ids) is not in the supported camera list\n"
              "Odd 04zz:0001 is not in the supported camera list\n"
              "Loud 1A2B:3C4D is not in the supported camera list\n"
              "Other 1a2b:3c4d is not in the supported camera list\n"
              "If another program is using the camera, close that program and start Peekbox "
              "again.\n"
              "To try them, add these rows to the [SupportedCameras] group of "
              "/home/u/.config/Tarnwick/Peekbox.conf:\n"
              "2=046d 0825 4:3 YUY2 1\n"
              "4=1a2b 3c4d 4:3 YUY2 1");

    // A fixed table names no file and no row: it says whose cameras it takes.
    editions::Edition fixed = edition;
    fixed.settingsCameraRows = false;
    fixed.foreignCameraNote = "Only ours.";
    EXPECT_EQ(app::noCameraNotice(fixed, {seen[1]}, kRows, {}).body,
              "Desk Webcam 046d:0825 is not in the supported camera list\nOnly ours.");
}
