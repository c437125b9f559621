// Remembered camera settings: model keys, value names that survive the settings file, which
// stored values a camera takes in which order, and the file itself.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/CameraSettingsMemory.h"
#include "app/RememberedCameraSettings.h"
#include "support/TestEnvironment.h"

using app::ApplyStage;
using app::ControlSetting;
using app::StoredControlValue;
using platform::media::CameraControl;
using Kind = platform::media::CameraControlKind;

namespace {

// A webcam's kinds of control; manual exposure (1) makes the exposure time active.
std::vector<CameraControl> webcamControls() {
    return {{"Brightness", -64, 64, 0, Kind::Integer, 1, 0, true, {}},
            {"White Balance, Automatic", 0, 1, 1, Kind::Boolean, 1, 1, true, {}},
            {"Auto Exposure", 0, 3, 3, Kind::Menu, 1, 3, true, {{1, "Manual"}, {3, "Aperture"}}},
            {"Exposure Time, Absolute", 3, 2047, 251, Kind::Integer, 4, 251, false, {}},
            {"Focus, Auto Push", 0, 0, 0, Kind::Button, 1, 0, true, {}}};
}

struct FakeCamera {
    std::vector<CameraControl> controls = webcamControls();
    std::vector<ControlSetting> sets;

    app::CameraAccess access() {
        return {[this] { return controls; },
                [this](const std::string& label, int value) {
                    sets.push_back({label, value});
                    for (CameraControl& c : controls) {
                        if (c.label == label) {
                            c.value = value;
                        }
                    }
                    controls[3].enabled = controls[2].value == 1;
                    return true;
                }};
    }
};

}  // namespace

TEST(CameraSettingsMemory, ModelKeysTellModelsApartByIdsAndByNameWhereIdsAreShared) {
    const struct {
        const char* display;
        const char* name;
        const char* key;
    } cases[] = {
        {"\\\\?\\usb#vid_046d&pid_0825&mi_00#/dev/video0#{v4l2}\\global", "Webcam C270",
         "046d-0825 Webcam C270"},
        // Two products behind one chip's ids, and two units of one model.
        {"\\\\?\\usb#vid_1b3f&pid_2247&mi_00#/dev/video0#{v4l2}\\global", "Desk Camera",
         "1b3f-2247 Desk Camera"},
        {"\\\\?\\usb#vid_1b3f&pid_2247&mi_00#/dev/video2#{v4l2}\\global", "Lab Camera",
         "1b3f-2247 Lab Camera"},
        {"\\\\?\\usb#vid_1b3f&pid_2247&mi_00#/dev/video4#{v4l2}\\global", "Lab Camera",
         "1b3f-2247 Lab Camera"},
        {"usb#VID_ABCD&PID_12EF", "Cam", "Cam"},  // the markers are lower case
        {"usb#vid_AbCd&pid_12eF", "Cam", "abcd-12ef Cam"},
        {"v4l2:/dev/video0", "Integrated Camera", "Integrated Camera"},
        {"usb#vid_046d&pid_08", "Short", "Short"},  // a truncated id is none
        {"usb#vid_04zz&pid_0825", "Odd", "Odd"},
        {"usb#vid_046d&pid_0825", "", "046d-0825"},
        // A name is a path component of the settings key: no separators, no control bytes.
        {"v4l2:/dev/video0", "  A\\B/C\tD  ", "A_B_C_D"},
        {"v4l2:/dev/video0", "..", ""},
        {"v4l2:/dev/video0", "   ", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::cameraModelKey(c.display, c.name), c.key) << c.display << " / " << c.name;
    }
}

TEST(CameraSettingsMemory, LabelsSurviveAsValueNames) {
    const std::string labels[] = {"Brightness",          "White Balance, Automatic",
                                  "Pan/Tilt, Reset",     "100% Zoom; [x]=\"y\"",
                                  "Sch\xC3\xA4rfe",      "Gain\\Analog",
                                  std::string("a\0b", 3)};
    for (const std::string& label : labels) {
        const std::string name = app::valueNameOf(label);
        EXPECT_EQ(name.find('/'), std::string::npos) << name;
        EXPECT_EQ(app::labelOf(name), label) << name;
    }
    EXPECT_EQ(app::valueNameOf(""), "");
    for (const char* bad : {"", "%", "%4", "%G0", "abc%2"}) {
        EXPECT_EQ(app::labelOf(bad), std::nullopt) << bad;
    }
}

TEST(CameraSettingsMemory, OnlyValuesTheCameraStillAcceptsAreApplied) {
    const std::vector<CameraControl> controls = webcamControls();
    const struct {
        const char* label;
        const char* text;
        ApplyStage stage;
        bool applied;
    } cases[] = {
        {"Brightness", "40", ApplyStage::Values, true},
        {"Brightness", "-64", ApplyStage::Values, true},
        {"Brightness", "64", ApplyStage::Values, true},
        {"Brightness", "0", ApplyStage::Values, false},   // already so
        {"Brightness", "65", ApplyStage::Values, false},  // out of range: not fitted to 64
        {"Brightness", "-65", ApplyStage::Values, false},
        {"Brightness", "40", ApplyStage::Modes, false},  // an integer waits for the modes
        {"Brightness", "", ApplyStage::Values, false},
        {"Brightness", "forty", ApplyStage::Values, false},
        {"Brightness", "40x", ApplyStage::Values, false},
        {"Brightness", " 40", ApplyStage::Values, false},
        {"Brightness", "4e1", ApplyStage::Values, false},
        {"Brightness", "99999999999", ApplyStage::Values, false},
        {"brightness", "40", ApplyStage::Values, false},  // labels are exact
        {"White Balance, Automatic", "0", ApplyStage::Modes, true},
        {"White Balance, Automatic", "2", ApplyStage::Modes, false},
        {"White Balance, Automatic", "0", ApplyStage::Values, false},
        {"Auto Exposure", "1", ApplyStage::Modes, true},
        {"Auto Exposure", "2", ApplyStage::Modes, false},  // inside the range, not an item
        {"Exposure Time, Absolute", "100", ApplyStage::Values, false},  // disabled
        {"Focus, Auto Push", "0", ApplyStage::Modes, false},            // an action
        {"Focus, Auto Push", "0", ApplyStage::Values, false},
        {"Zoom, Absolute", "3", ApplyStage::Values, false},  // gone
    };
    for (const auto& c : cases) {
        const std::vector<ControlSetting> out =
            app::settingsToApply(controls, {{c.label, c.text}}, c.stage);
        const std::vector<ControlSetting> expected =
            c.applied ? std::vector<ControlSetting>{{c.label, std::stoi(c.text)}}
                      : std::vector<ControlSetting>{};
        EXPECT_EQ(out, expected) << c.label << " = '" << c.text << "'";
    }
}

TEST(CameraSettingsMemory, ModesGoFirstSoThatTheValuesTheyUnlockAreSet) {
    // Stored in the file's order, which is not the order of dependence.
    const std::vector<StoredControlValue> stored = {
        {"Exposure Time, Absolute", "100"}, {"Brightness", "30"},    {"Auto Exposure", "1"},
        {"White Balance, Automatic", "0"},  {"Zoom, Absolute", "2"}, {"Focus, Auto Push", "0"}};
    FakeCamera camera;
    EXPECT_EQ(app::applyStoredSettings(camera.access(), stored), 4);
    const std::vector<ControlSetting> expected = {{"White Balance, Automatic", 0},
                                                  {"Auto Exposure", 1},
                                                  {"Brightness", 30},
                                                  {"Exposure Time, Absolute", 100}};
    EXPECT_EQ(camera.sets, expected);

    // With the automatic mode stored, the manual value it locks is left alone.
    FakeCamera automatic;
    app::applyStoredSettings(automatic.access(),
                             {{"Auto Exposure", "3"}, {"Exposure Time, Absolute", "100"}});
    EXPECT_TRUE(automatic.sets.empty());
}

TEST(CameraSettingsMemory, DefaultsRestoreManualValuesBeforeTheirModes) {
    FakeCamera camera;
    app::applyStoredSettings(camera.access(), {{"Auto Exposure", "1"},
                                               {"Exposure Time, Absolute", "99"},
                                               {"Brightness", "-5"},
                                               {"White Balance, Automatic", "0"}});
    camera.sets.clear();
    app::restoreCameraDefaults(camera.access());
    const std::vector<ControlSetting> expected = {{"Brightness", 0},
                                                  {"Exposure Time, Absolute", 251},
                                                  {"White Balance, Automatic", 1},
                                                  {"Auto Exposure", 3}};
    EXPECT_EQ(camera.sets, expected);
    for (const CameraControl& c : camera.controls) {
        EXPECT_EQ(c.value, c.defaultValue) << c.label;
    }
}

TEST(CameraSettingsMemory, TheFileKeepsEachModelsValuesUntilTheyAreForgotten) {
    testenv::writeFile(testenv::configHome() + "/StVendor/Cams.conf", "[General]\nCounter=7\n");
    const std::string key = "Software\\StVendor\\Cams";
    const app::RememberedCameraSettings desk(key, "1b3f-2247 Desk Camera");
    const app::RememberedCameraSettings lab(key, "1b3f-2247 Lab Camera");
    const app::RememberedCameraSettings none(key, "");
    EXPECT_TRUE(desk.load().empty());
    desk.remember("Pan/Tilt, Reset", 1);
    desk.remember("Brightness", -64);
    desk.remember("Brightness", 12);  // the last one counts
    lab.remember("Brightness", 3);
    none.remember("Brightness", 5);  // nowhere to go
    EXPECT_TRUE(none.load().empty());

    auto sorted = [](std::vector<StoredControlValue> v) {
        std::vector<std::pair<std::string, std::string>> out;
        for (StoredControlValue& s : v) {
            out.emplace_back(std::move(s.label), std::move(s.text));
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(sorted(desk.load()), (Pairs{{"Brightness", "12"}, {"Pan/Tilt, Reset", "1"}}));
    EXPECT_EQ(sorted(lab.load()), (Pairs{{"Brightness", "3"}}));

    desk.forget();
    EXPECT_TRUE(desk.load().empty());
    EXPECT_EQ(sorted(lab.load()), (Pairs{{"Brightness", "3"}}));
    const std::string file = testenv::readFile(testenv::configHome() + "/StVendor/Cams.conf");
    EXPECT_NE(file.find("Counter=7"), std::string::npos) << file;
    EXPECT_EQ(file.find("Desk"), std::string::npos) << file;

    // A hand-edited value that is not a number is loaded as text and never applied.
    testenv::writeFile(testenv::configHome() + "/StVendor/Cams.conf",
                       file + "\n[CameraSettings]\n1b3f-2247%20Desk%20Camera\\Brightness=bright\n");
    ASSERT_EQ(sorted(desk.load()), (Pairs{{"Brightness", "bright"}}));
    FakeCamera camera;
    EXPECT_EQ(app::applyStoredSettings(camera.access(), desk.load()), 0);
}
