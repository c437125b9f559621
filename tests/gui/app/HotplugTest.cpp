// Unplugging and replugging virtual cameras while the window runs; display change; matching.

#include <gtest/gtest.h>

#include <QApplication>
#include <qtestsupport_core.h>
#include <QTimer>

#include <QPushButton>
#include <QSlider>

#include "app/CameraNotification.h"
#include "app/CameraSettingsDialog.h"
#include "app/Main.h"
#include "app/VirtualDeviceControl.h"
#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "support/TestEnvironment.h"

namespace {

class NoBoxes final : public platform::MessageBoxes {
  public:
    platform::MsgAnswer show(QWidget*, const std::string&, const std::string&,
                             platform::MsgButtons) override {
        return platform::MsgAnswer::Ok;
    }
};

class HotplugTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::setSleepScale(0.0);
        testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf",
                           "[General]\nCounter=1\n");
        ::setenv("TARNWICK_VIRTUAL_DEVICES",
                 "camera:name=Desk "
                 "Camera,vid=3a7b,pid=0b01;microphone:name=Mic;camera:name=Other,vid=1234,pid=5678",
                 1);
        app::AppServices s;
        s.messageBoxes = &boxes;
        s.uiLanguage = [] { return platform::LangId{0x0409}; };
        s.freeSpace = platform::statvfsFreeBytes;
        // The window runs the component it is handed; the test keeps its own way in.
        std::unique_ptr<TDirectShow> component = app::defaultCapture(editions::edition(), s);
        capture = component.get();
        form = std::make_unique<TMainForm>(editions::edition(), s, std::move(component));
        ASSERT_EQ(capture->parentWidget(), form->BgPanel());
        ASSERT_TRUE(form->StartPreview(false));
    }
    void TearDown() override {
        form.reset();
        ::unsetenv("TARNWICK_VIRTUAL_DEVICES");
    }

    NoBoxes boxes;
    std::unique_ptr<TMainForm> form;
    TDirectShow* capture = nullptr;  // owned by the window
};

}  // namespace

TEST(CameraMatch, PatternIsFoundInTheLowerCasedName) {
    EXPECT_TRUE(CameraNotification::matchesCamera("\\\\?\\USB#VID_3A7B&PID_0B01#5&1#{guid}", "3a7b",
                                                  "0b01"));
    EXPECT_FALSE(
        CameraNotification::matchesCamera("\\\\?\\usb#vid_3a7b&pid_0b02#x", "3a7b", "0b01"));
    EXPECT_TRUE(CameraNotification::matchesCamera("usb#vid_&pid_#x", "", ""));
    // The name is looked at through a 256-byte buffer.
    EXPECT_FALSE(CameraNotification::matchesCamera(std::string(300, 'x') + "vid_3a7b&pid_0b01",
                                                   "3a7b", "0b01"));
}

TEST_F(HotplugTest, UnplugOfTheRunningCameraStopsThePreviewAndReplugRestartsIt) {
    VirtualDeviceControl control;
    ASSERT_EQ(capture->options().VID, "3a7b");
    form->FormKeyDown(Qt::Key_Escape, Qt::NoModifier);

    // Another device going away changes nothing.
    ASSERT_TRUE(control.unplug(2));
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
    }
    EXPECT_TRUE(capture->Ready());

    ASSERT_TRUE(control.unplug(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !capture->Ready(); }));
    for (int b : {1, 3, 4, 5}) {
        EXPECT_EQ(form->buttonState(b), TMainForm::kDisabled) << b;
    }
    EXPECT_EQ(capture->Caption(), "No Preview");
    // A second removal while stopped is ignored.
    EXPECT_EQ(
        form->DeviceChange(DeviceChangeEvent::DBT_DEVICEREMOVECOMPLETE, "usb#vid_3a7b&pid_0b01#x"),
        0);

    ASSERT_TRUE(control.replug(0));
    form->FormKeyDown(Qt::Key_Return, Qt::NoModifier);  // Enter with no thumbnail focused: button 1
    EXPECT_TRUE(capture->Ready());
    EXPECT_EQ(form->buttonState(1), TMainForm::kNormal);
}

TEST_F(HotplugTest, UnplugWithTheSettingsDialogOpenGreysItForGood) {
    bool shown = false;
    form->setSettingsDialogHook([&](QDialog& dialog) {
        shown = true;
        auto* slider = dialog.findChild<QSlider*>("BRIGHTNESS");
        auto* defaults = dialog.findChild<QPushButton*>("defaultsButton");
        ASSERT_TRUE(slider != nullptr && defaults != nullptr);
        ASSERT_TRUE(slider->isEnabled());
        VirtualDeviceControl control;
        ASSERT_TRUE(control.unplug(0));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !capture->Ready(); }));
        EXPECT_FALSE(slider->isEnabled());
        EXPECT_FALSE(defaults->isEnabled());
        // Back on the bus, it stays grey: the camera is the preview's once button 1 restarts it.
        ASSERT_TRUE(control.replug(0));
        static_cast<CameraSettingsDialog&>(dialog).refresh();
        EXPECT_FALSE(slider->isEnabled());
    });
    form->ShowCameraProperties();
    EXPECT_TRUE(shown);
}

TEST_F(HotplugTest, QueryRemoveIsGrantedAndDisplayChangeRestartsTheGraph) {
    EXPECT_EQ(
        form->DeviceChange(DeviceChangeEvent::DBT_DEVICEQUERYREMOVE, "usb#vid_9999&pid_0001#x"), 1);
    EXPECT_TRUE(capture->Ready());

    const uint64_t before = platform::sleptMsTotal();
    form->DisplayChange();
    EXPECT_EQ(platform::sleptMsTotal() - before, TMainForm::kDisplayChangeWaitMs);
    EXPECT_TRUE(capture->Ready());
    if (!form->smallScreen()) {
        EXPECT_EQ(form->height(), TMainForm::kDisplayChangeOuterHeight - app::kFrameExtraHeight);
    }
}

TEST(VirtualDeviceCommands, OnlyWellFormedCommandsAreUnderstood) {
    VirtualDeviceControl control;  // no variable in this process: nothing to unplug
    EXPECT_FALSE(control.command("unplug 0"));
    EXPECT_FALSE(control.command("unplug"));
    EXPECT_FALSE(control.command("unplug x"));
    EXPECT_FALSE(control.command("replug 1 2"));
    EXPECT_FALSE(control.command("format c:"));
}

TEST_F(HotplugTest, PullingTheCameraWhileRecordingFinishesTheClip) {
    testenv::clearDir(testenv::videosDir());
    platform::setSleepScale(0.0);
    form->ToggleRecording();
    ASSERT_TRUE(form->recording());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->windowTitle().contains(" - 00:00:0"); }));
    VirtualDeviceControl control;
    ASSERT_TRUE(control.unplug(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !capture->Ready(); }));
    EXPECT_FALSE(form->recording());
    EXPECT_FALSE(form->recTimerActive());
    EXPECT_EQ(form->windowTitle(), "Norvale Glimmer webcam");
    EXPECT_TRUE(testenv::fileExists(testenv::videosDir() + "/Movie0001.avi"));
    EXPECT_EQ(form->gallery().count(), 1);
}

TEST_F(HotplugTest, PullingTheCameraDuringTheHoldBeforeWritingLeavesNoClipAndNoUsedNumber) {
    testenv::clearDir(testenv::videosDir());
    VirtualDeviceControl control;
    bool pulled = false;
    QTimer puller;
    puller.setInterval(0);
    // Events are first processed in the hold, once the recording graph is built and running.
    QObject::connect(&puller, &QTimer::timeout, [&] {
        if (form->recording() && capture->InRecord() && capture->Ready()) {
            pulled = control.unplug(0);
            puller.stop();
        }
    });
    puller.start();
    form->ToggleRecording();
    ASSERT_TRUE(pulled);
    EXPECT_FALSE(form->recording());
    EXPECT_FALSE(capture->Ready());
    EXPECT_FALSE(capture->CaptureStarted());
    EXPECT_FALSE(form->recTimerActive());
    EXPECT_EQ(form->windowTitle(), "Norvale Glimmer webcam");
    EXPECT_EQ(form->buttonState(5), TMainForm::kDisabled);
    // Nothing was written: no file, and the number is free for the next clip.
    EXPECT_FALSE(testenv::fileExists(testenv::videosDir() + "/Movie0001.avi"));
    const std::string settings =
        testenv::readFile(testenv::configHome() + "/Tarnwick/Peekbox.conf");
    EXPECT_NE(settings.find("AviCounter=0"), std::string::npos) << settings;
}

// A second camera of the same model makes the kernel bind drivers to its interfaces: the
// running camera's preview must not notice.
TEST_F(HotplugTest, OnlyAUsbRemoveOfTheRunningCameraStopsItsPreview) {
    platform::UsbMonitor& usb = form->cameraNotification().usb();
    for (const char* action : {"add", "bind", "unbind", "change"}) {
        usb.deliver({action, "1-2:1.0", "3a7b", "0b01", "3a7b/b01/100"});
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(capture->Ready()) << action;
    }
    usb.deliver({"remove", "1-1:1.0", "", "", "3a7b/b01/100"});
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(capture->Ready());
    EXPECT_EQ(capture->Caption(), "No Preview");
}
