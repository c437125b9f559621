// The camera settings dialog on controls handed to it (no camera here offers more than colour
// balance): the editor of each kind, changes sent to the camera, and what it reports shown again.
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <qtestsupport_core.h>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>

#include "app/CameraSettingsDialog.h"

using platform::media::CameraControl;
using Kind = platform::media::CameraControlKind;

namespace {

// Behaves like a webcam driver: manual exposure (1) makes the exposure time active, and the
// time is kept on its grid 3, 7, 11, ...
struct FakeCamera {
    std::vector<CameraControl> controls{
        {"Brightness", -64, 64, 12, Kind::Integer, 1, 0, true, {}},
        {"White Balance, Automatic", 0, 1, 1, Kind::Boolean, 1, 1, true, {}},
        {"Auto Exposure", 0, 3, 3, Kind::Menu, 1, 3, true, {{1, "Manual"}, {3, "Aperture"}}},
        {"Exposure Time, Absolute", 3, 2047, 251, Kind::Integer, 4, 251, false, {}},
        {"Auto Focus, Start", 0, 0, 0, Kind::Button, 1, 0, true, {}}};
    std::vector<std::pair<std::string, int>> sets;
    bool pulled = false;

    CameraSettingsDialog::Source source() {
        return {[this] { return pulled ? std::vector<CameraControl>{} : controls; },
                [this](const std::string& label, int value) {
                    sets.emplace_back(label, value);
                    for (CameraControl& c : controls) {
                        if (c.label == label) {
                            c.value = c.step == 4 ? 3 + (value - 3) / 4 * 4 : value;
                        }
                    }
                    controls[3].enabled = controls[2].value == 1;
                    return true;
                }};
    }
};

template <typename W>
W& editor(CameraSettingsDialog& dialog, const char* label) {
    W* w = dialog.findChild<W*>(QString::fromUtf8(label));
    if (w == nullptr) {
        throw std::runtime_error(std::string("no editor for ") + label);
    }
    return *w;
}

}  // namespace

TEST(CameraSettingsDialog, EachKindOfControlGetsItsEditor) {
    FakeCamera camera;
    CameraSettingsDialog dialog(camera.source(), nullptr);
    ASSERT_TRUE(dialog.hasControls());
    EXPECT_EQ(editor<QSlider>(dialog, "Brightness").minimum(), -64);
    EXPECT_EQ(editor<QSlider>(dialog, "Brightness").value(), 12);
    EXPECT_TRUE(editor<QCheckBox>(dialog, "White Balance, Automatic").isChecked());
    auto& exposure = editor<QComboBox>(dialog, "Auto Exposure");
    ASSERT_EQ(exposure.count(), 2);
    EXPECT_EQ(exposure.itemText(0), "Manual");
    EXPECT_EQ(exposure.currentText(), "Aperture");
    EXPECT_FALSE(editor<QSlider>(dialog, "Exposure Time, Absolute").isEnabled());
    editor<QPushButton>(dialog, "Auto Focus, Start");
    EXPECT_TRUE(camera.sets.empty());  // showing the values sends nothing

    camera.controls.clear();
    EXPECT_FALSE(CameraSettingsDialog(camera.source(), nullptr).hasControls());
}

TEST(CameraSettingsDialog, ChangesGoToTheCameraAndWhatItReportsIsShownAgain) {
    FakeCamera camera;
    CameraSettingsDialog dialog(camera.source(), nullptr);
    auto& time = editor<QSlider>(dialog, "Exposure Time, Absolute");
    editor<QComboBox>(dialog, "Auto Exposure").setCurrentIndex(0);
    EXPECT_EQ(camera.sets.back(), std::make_pair(std::string("Auto Exposure"), 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return time.isEnabled(); }));
    time.setValue(10);
    EXPECT_EQ(camera.sets.back(), std::make_pair(std::string("Exposure Time, Absolute"), 10));
    EXPECT_TRUE(QTest::qWaitFor([&] { return time.value() == 7; }));
    editor<QCheckBox>(dialog, "White Balance, Automatic").click();
    EXPECT_EQ(camera.sets.back(), std::make_pair(std::string("White Balance, Automatic"), 0));
    editor<QPushButton>(dialog, "Auto Focus, Start").click();
    EXPECT_EQ(camera.sets.back(), std::make_pair(std::string("Auto Focus, Start"), 1));

    // Reading back sends nothing; a camera that is gone leaves every row disabled.
    const size_t sent = camera.sets.size();
    camera.pulled = true;
    dialog.refresh();
    EXPECT_EQ(camera.sets.size(), sent);
    EXPECT_FALSE(editor<QComboBox>(dialog, "Auto Exposure").isEnabled());
    EXPECT_FALSE(editor<QSlider>(dialog, "Brightness").isEnabled());
}

TEST(CameraSettingsDialog, ChangesAreRememberedAndDefaultsRestoreTheCamerasOwnAndForgetThem) {
    FakeCamera camera;
    std::vector<std::pair<std::string, int>> remembered;
    int forgotten = 0;
    CameraSettingsDialog dialog(
        camera.source(), nullptr,
        {[&](const std::string& label, int value) { remembered.emplace_back(label, value); },
         [&] { ++forgotten; }});
    auto& brightness = editor<QSlider>(dialog, "Brightness");
    brightness.setValue(40);
    editor<QComboBox>(dialog, "Auto Exposure").setCurrentIndex(0);
    editor<QPushButton>(dialog, "Auto Focus, Start").click();  // an action is not a setting
    auto& time = editor<QSlider>(dialog, "Exposure Time, Absolute");
    ASSERT_TRUE(QTest::qWaitFor([&] { return time.isEnabled(); }));
    time.setValue(10);
    const std::vector<std::pair<std::string, int>> expected = {
        {"Brightness", 40}, {"Auto Exposure", 1}, {"Exposure Time, Absolute", 10}};
    EXPECT_EQ(remembered, expected);

    editor<QPushButton>(dialog, "defaultsButton").click();
    EXPECT_EQ(forgotten, 1);
    EXPECT_EQ(remembered, expected);  // restoring remembers nothing
    for (const CameraControl& c : camera.controls) {
        EXPECT_TRUE(c.kind == Kind::Button || c.value == c.defaultValue) << c.label;
    }
    // The rows show the defaults at once.
    EXPECT_EQ(brightness.value(), 0);
    EXPECT_EQ(editor<QComboBox>(dialog, "Auto Exposure").currentText(), "Aperture");
    EXPECT_FALSE(time.isEnabled());
    EXPECT_EQ(time.value(), 251);
}
