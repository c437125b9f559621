// The window's buttons, popup and layout under the offscreen platform, on virtual cameras.
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QSlider>
#include <qtestsupport_core.h>

#include "app/Main.h"
#include "app/Popups.h"
#include "app/VirtualDeviceControl.h"
#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "support/TestEnvironment.h"

namespace {

class SilentBoxes final : public platform::MessageBoxes {
  public:
    platform::MsgAnswer show(QWidget*, const std::string&, const std::string&,
                             platform::MsgButtons) override {
        return platform::MsgAnswer::Ok;
    }
};

class WindowCommandsTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::setSleepScale(0.0);
        testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf",
                           "[General]\nCounter=1\n");
    }
    void TearDown() override { ::unsetenv("TARNWICK_VIRTUAL_DEVICES"); }

    std::unique_ptr<TMainForm> makeForm(const char* devices) {
        if (devices != nullptr) {
            ::setenv("TARNWICK_VIRTUAL_DEVICES", devices, 1);
        } else {
            ::unsetenv("TARNWICK_VIRTUAL_DEVICES");
        }
        app::AppServices s;
        s.messageBoxes = &boxes;
        s.uiLanguage = [] { return platform::LangId{0x0409}; };
        s.freeSpace = platform::statvfsFreeBytes;
        return std::make_unique<TMainForm>(editions::edition(), s,
                                           app::defaultCapture(editions::edition(), s));
    }

    SilentBoxes boxes;
};

QPoint buttonPoint(const TMainForm& form, int button) {
    const app::WindowLayout& l = form.layout();
    return QPoint(l.buttonLeft[static_cast<size_t>(button - 1)] + 5, l.buttonTop + 5);
}

}  // namespace

TEST_F(WindowCommandsTest, CameraWithoutRecordingHasNoRecordButtonAndFourByThreePopup) {
    auto form = makeForm("camera:name=Plain Camera,vid=3a7b,pid=0a01");
    ASSERT_TRUE(form->constructed());
    EXPECT_FALSE(form->recordCapable());
    EXPECT_EQ(form->cameraAspect(), 0);
    EXPECT_EQ(form->layout().buttonLeft[4], 300);
    TPopup popup(*form);
    EXPECT_EQ(popup.height(), 39);

    ASSERT_TRUE(form->StartPreview(false));
    // A release below the short popup (the popup holds the mouse) chooses nothing: HD 720P is
    // not offered to a 4:3 camera, and the preview keeps running at its size.
    popup.show();
    popup.ImageMouseUp(Qt::LeftButton, 30, 59);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(form->imageWidth(), 640);
    EXPECT_FALSE(form->ChooseResolution(2));
    EXPECT_EQ(form->imageHeight(), 480);
    EXPECT_EQ(form->buttonState(1), TMainForm::kNormal);
    EXPECT_EQ(form->buttonState(5), TMainForm::kDisabled);
    // A click at the record button's place does nothing.
    form->FormMouseUp(Qt::LeftButton, buttonPoint(*form, 5));
    EXPECT_FALSE(form->recording());
    EXPECT_EQ(form->buttonState(1), TMainForm::kNormal);
}

TEST_F(WindowCommandsTest, HoverFollowsEnabledButtonsOnly) {
    auto form = makeForm("camera:name=Desk Camera,vid=3a7b,pid=0b01");
    ASSERT_TRUE(form->recordCapable());
    EXPECT_EQ(form->layout().buttonLeft[4], 51);
    form->FormMouseMove(buttonPoint(*form, 1));
    EXPECT_EQ(form->buttonState(1), TMainForm::kDisabled);  // disabled buttons never hover
    ASSERT_TRUE(form->StartPreview(false));
    form->FormMouseMove(buttonPoint(*form, 1));
    EXPECT_EQ(form->buttonState(1), TMainForm::kHover);
    form->FormMouseMove(buttonPoint(*form, 4));
    EXPECT_EQ(form->buttonState(1), TMainForm::kNormal);
    EXPECT_EQ(form->buttonState(4), TMainForm::kHover);
    EXPECT_EQ(form->buttonState(2), TMainForm::kDisabled);
}

TEST_F(WindowCommandsTest, PopupBandsFollowThePointerAndKeepBlackLabels) {
    auto form = makeForm("camera:name=Wide Camera,vid=3a7b,pid=0c01");
    ASSERT_EQ(form->cameraAspect(), 1);
    TPopup popup(*form);
    EXPECT_EQ(popup.height(), 58);
    popup.FormShow();
    EXPECT_EQ(popup.highlighted(), -1);

    auto blackCount = [&popup](int band) {
        int n = 0;
        for (int y = 18 * band + 2; y <= 18 * band + 19; ++y) {
            for (int x = 2; x <= 68; ++x) {
                n += (popup.picture().pixel(x, y) & 0xFFFFFF) == 0 ? 1 : 0;
            }
        }
        return n;
    };
    const int labelPixels = blackCount(0);
    ASSERT_GT(labelPixels, 0);

    popup.ImageMouseMove(10, 5);
    EXPECT_EQ(popup.highlighted(), 0);
    EXPECT_EQ(popup.picture().pixel(2, 2) & 0xFFFFFF, 0x8080FFu);
    popup.ImageMouseMove(10, 25);
    EXPECT_EQ(popup.highlighted(), 1);
    EXPECT_EQ(popup.picture().pixel(2, 2) & 0xFFFFFF, 0xBBC5C7u);
    EXPECT_EQ(popup.picture().pixel(2, 22) & 0xFFFFFF, 0x8080FFu);
    EXPECT_EQ(blackCount(0), labelPixels);
    popup.ImageMouseMove(10, 39);
    EXPECT_EQ(popup.highlighted(), 1);  // band 2 begins at 38, the 20-pixel pitch says item 1
    popup.ImageMouseMove(10, 57);
    EXPECT_EQ(popup.highlighted(), 2);

    // A right click does nothing; the popup stays.
    popup.show();
    popup.ImageMouseUp(Qt::RightButton, 10, 25);
    EXPECT_TRUE(popup.isVisible());
    EXPECT_EQ(form->imageWidth(), 640);

    // A left release at y = 39 chooses 640 x 480; at 56, 1280 x 800.
    popup.ImageMouseUp(Qt::LeftButton, 10, 56);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(form->imageWidth(), 1280);
    EXPECT_EQ(form->imageHeight(), 800);
    EXPECT_EQ(form->DirectShow1()->CapturePinGet().bmiHeader.biWidth, 1280);
    popup.ImageMouseUp(Qt::LeftButton, 10, 39);
    EXPECT_EQ(form->imageWidth(), 640);
}

TEST_F(WindowCommandsTest, ButtonOneRestartsAStoppedPreviewEvenWhenDrawnDisabled) {
    auto form = makeForm("camera:name=Desk Camera,vid=3a7b,pid=0b01");
    ASSERT_FALSE(form->DirectShow1()->Ready());
    EXPECT_EQ(form->buttonState(1), TMainForm::kDisabled);
    const app::WindowLayout& l = form->layout();
    // The right and bottom edges of its rectangle still hit.
    form->FormMouseUp(Qt::LeftButton, QPoint(l.buttonLeft[0] + 40, l.buttonTop + 30));
    EXPECT_TRUE(form->DirectShow1()->Ready());
    EXPECT_EQ(form->buttonState(1), TMainForm::kNormal);
    form->StopPreview();
    form->FormMouseUp(Qt::RightButton, buttonPoint(*form, 1));
    EXPECT_FALSE(form->DirectShow1()->Ready());
}

// The settings dialog changes the picture live; what it set stays with the camera model (ids and
// name) through size changes, hot-plug and a new start, until Defaults.
TEST_F(WindowCommandsTest, CameraSettingsChangeThePictureLiveAndStayWithTheCameraModel) {
    const char* devices =
        "camera:name=Desk Camera,vid=3a7b,pid=0b01;camera:name=Lab Camera,vid=3a7b,pid=0b01";
    auto form = makeForm(devices);
    ASSERT_TRUE(form->StartPreview(false));
    auto brightness = [&form] {
        for (const platform::media::CameraControl& c : form->DirectShow1()->CameraControls()) {
            if (c.label == "BRIGHTNESS") {
                return c;
            }
        }
        return platform::media::CameraControl{};
    };
    const platform::media::CameraControl initial = brightness();
    ASSERT_EQ(initial.label, "BRIGHTNESS");
    ASSERT_NE(initial.value, initial.maximum);
    bool shown = false;
    form->setSettingsDialogHook([&](QDialog& dialog) {
        shown = true;
        auto* slider = dialog.findChild<QSlider*>("BRIGHTNESS");
        ASSERT_NE(slider, nullptr);
        slider->setValue(initial.maximum);
    });
    form->FormMouseUp(Qt::LeftButton, buttonPoint(*form, 4));
    EXPECT_TRUE(shown);
    EXPECT_EQ(brightness().value, initial.maximum);

    // A new size builds a new source.
    ASSERT_TRUE(form->ChooseResolution(0));
    EXPECT_EQ(brightness().value, initial.maximum);

    // Pulled: the other camera with the same ids starts with its own settings ...
    VirtualDeviceControl plug;
    ASSERT_TRUE(plug.unplug(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->DirectShow1()->Ready(); }, 5000));
    ASSERT_TRUE(form->StartPreview(false));
    EXPECT_EQ(brightness().value, initial.value);
    // ... and plugged in again, the first one gets its own back.
    ASSERT_TRUE(plug.replug(0));
    ASSERT_TRUE(plug.unplug(1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->DirectShow1()->Ready(); }, 5000));
    ASSERT_TRUE(form->StartPreview(false));
    EXPECT_EQ(brightness().value, initial.maximum);

    // The next start of the program.
    form.reset();
    form = makeForm(devices);
    ASSERT_TRUE(form->StartPreview(false));
    EXPECT_EQ(brightness().value, initial.maximum);

    // Defaults: the camera's own value, and nothing left to bring back.
    form->setSettingsDialogHook([](QDialog& dialog) {
        auto* defaults = dialog.findChild<QPushButton*>("defaultsButton");
        ASSERT_NE(defaults, nullptr);
        defaults->click();
    });
    form->FormMouseUp(Qt::LeftButton, buttonPoint(*form, 4));
    EXPECT_EQ(brightness().value, initial.defaultValue);
    const std::string settings =
        testenv::readFile(testenv::configHome() + "/Tarnwick/Peekbox.conf");
    EXPECT_EQ(settings.find("Desk"), std::string::npos) << settings;
    form->StopPreview();
    ASSERT_TRUE(form->StartPreview(false));
    EXPECT_EQ(brightness().value, initial.defaultValue);

    // Without a running camera button 4 is disabled and nothing opens.
    form->StopPreview();
    shown = false;
    form->FormMouseUp(Qt::LeftButton, buttonPoint(*form, 4));
    EXPECT_FALSE(shown);
}

// Writes of one file, seen as a person's tools see them: Qt writes a settings file under
// another name and renames it into place.
class FileWrites {
  public:
    explicit FileWrites(const std::string& path)
        : name_(path.substr(path.rfind('/') + 1)), fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        ::inotify_add_watch(fd_, path.substr(0, path.rfind('/')).c_str(), IN_MOVED_TO);
    }
    ~FileWrites() { ::close(fd_); }
    int count() {
        alignas(inotify_event) char buf[4096];
        ssize_t n = 0;
        while ((n = ::read(fd_, buf, sizeof buf)) > 0) {
            for (char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if (e->len > 0 && name_ == e->name) {
                    ++count_;
                }
                p += sizeof(inotify_event) + e->len;
            }
        }
        return count_;
    }

  private:
    std::string name_;
    int fd_;
    int count_ = 0;
};

// A slider dragged through all its steps costs one write of the settings file, once it settles;
// a change the dialog is closed on right away is written all the same.
TEST_F(WindowCommandsTest, ASettingsSliderDragIsWrittenOnceWhenItSettles) {
    auto form = makeForm("camera:name=Desk Camera,vid=3a7b,pid=0b01");
    ASSERT_TRUE(form->StartPreview(false));
    const std::string file = testenv::configHome() + "/Tarnwick/Peekbox.conf";
    FileWrites writes(file);
    int steps = 0;
    int last = 0;
    form->setSettingsDialogHook([&](QDialog& dialog) {
        auto* slider = dialog.findChild<QSlider*>("BRIGHTNESS");
        ASSERT_NE(slider, nullptr);
        slider->setSliderDown(true);
        for (int v = slider->minimum(); v <= slider->maximum(); v += slider->singleStep()) {
            slider->setValue(v);
            QCoreApplication::processEvents();
            ++steps;
        }
        slider->setSliderDown(false);
        last = slider->value();
        EXPECT_TRUE(QTest::qWaitFor([&] { return writes.count() >= 1; }, 5000));
    });
    form->FormMouseUp(Qt::LeftButton, buttonPoint(*form, 4));
    EXPECT_GT(steps, 10);
    EXPECT_EQ(writes.count(), 1);
    EXPECT_NE(testenv::readFile(file).find("BRIGHTNESS=" + std::to_string(last)), std::string::npos)
        << testenv::readFile(file);

    form->setSettingsDialogHook([&](QDialog& dialog) {
        auto* slider = dialog.findChild<QSlider*>("BRIGHTNESS");
        ASSERT_NE(slider, nullptr);
        slider->setValue(slider->minimum());
        last = slider->value();
    });
    form->FormMouseUp(Qt::LeftButton, buttonPoint(*form, 4));
    EXPECT_EQ(writes.count(), 2);
    EXPECT_NE(testenv::readFile(file).find("BRIGHTNESS=" + std::to_string(last)), std::string::npos)
        << testenv::readFile(file);
}

TEST_F(WindowCommandsTest, DoubleClickEnlargesOnlyARunning1280x800PreviewAndBack) {
    auto form = makeForm("camera:name=Wide Camera,vid=3a7b,pid=0c01");
    ASSERT_TRUE(form->StartPreview(false));
    const QSize normal = form->size();
    form->DirectShow1DblClick();  // 640 x 480: nothing
    EXPECT_FALSE(form->enlarged());
    ASSERT_TRUE(form->ChooseResolution(2));
    form->DirectShow1DblClick();
    EXPECT_TRUE(form->enlarged());
    EXPECT_EQ(form->DirectShow1()->size(), form->size());
    EXPECT_NEAR(static_cast<double>(form->width()) / form->height(), 1.6, 0.01);
    form->DirectShow1DblClick();
    EXPECT_FALSE(form->enlarged());
    EXPECT_EQ(form->size(), normal);
    EXPECT_EQ(form->DirectShow1()->geometry(),
              app::fitPreview(form->BgPanel()->size(), QSize(1280, 800)));
}

// The size button's caption is written in the window-text colour in every state: disabled, the
// button's picture changes, its caption does not turn grey.
TEST_F(WindowCommandsTest, SizeCaptionKeepsTheWindowTextColourWhileDisabled) {
    auto form = makeForm("camera:name=Desk Camera,vid=3a7b,pid=0b01");
    QPalette palette = form->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 255));  // a colour no artwork uses
    form->setPalette(palette);
    form->show();
    const app::WindowLayout& l = form->layout();
    auto captionPixels = [&] {
        const QImage shot = form->grab().toImage();
        int n = 0;
        for (int y = l.buttonTop; y < l.buttonTop + 30; ++y) {
            for (int x = l.buttonLeft[2]; x < l.buttonLeft[2] + 86; ++x) {
                const QColor c = shot.pixelColor(x, y);
                n += c.red() > 200 && c.green() < 60 && c.blue() > 200 ? 1 : 0;
            }
        }
        return n;
    };
    ASSERT_EQ(form->buttonState(3), TMainForm::kDisabled);
    const int disabled = captionPixels();
    EXPECT_GT(disabled, 20) << "the disabled caption is not in the window-text colour";
    ASSERT_TRUE(form->StartPreview(false));
    ASSERT_EQ(form->buttonState(3), TMainForm::kNormal);
    EXPECT_GT(captionPixels(), 20);
}
