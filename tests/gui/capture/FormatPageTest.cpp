// The capture-pin format page on a virtual camera: listing, choosing, cancelling, and the
// rebuild that follows.
#include <QApplication>
#include <QListWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include "capture/CaptureFormatDialog.h"
#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/VirtualDeviceProvider.h"

using namespace platform::media;

namespace {

class FormatPage : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MediaRuntime::initialise());
        DeviceEnumerator::setRealDevicesEnabled(false);
        platform::setSleepScale(0.0);
        VirtualDeviceProvider::configure("camera:name=C,vid=3a7b,pid=0b01,formats=YUY2|MJPG");
        platform::VideoInfoHeader f;
        TDirectShow::FillVH(f, 640, 480, 333333, platform::kFourCC_YUY2);
        ds.CapturePinSet(f);
        ds.InitRunCapture("3a7b", "0b01", false);
        ds.Run();
        ASSERT_EQ(ds.RunGraphResult(), 0);
    }
    void TearDown() override {
        ds.Close();
        VirtualDeviceProvider::configure("");
        platform::setSleepScale(1.0);
    }
    // Answers the next modal page: selects the row showing `text` (none: cancels).
    void answer(const QString& text) {
        QTimer::singleShot(0, [this, text] {
            auto* page = dynamic_cast<CaptureFormatDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(page, nullptr);
            pinSetWhileOpen = ds.PinSet();
            rows = page->list()->count();
            current = page->list()->currentItem() != nullptr ? page->list()->currentItem()->text()
                                                             : QString();
            title = page->windowTitle();
            where = page->pos();
            const auto found = page->list()->findItems(text, Qt::MatchExactly);
            if (text.isEmpty() || found.isEmpty()) {
                page->reject();
                return;
            }
            page->list()->setCurrentItem(found.front());
            page->accept();
        });
    }

    TDirectShow ds;
    bool pinSetWhileOpen = false;
    int rows = 0;
    QString current;
    QString title = QStringLiteral("unset");
    QPoint where;
};

TEST_F(FormatPage, ChosenFormatIsStoredAndTheGraphRebuiltOnIt) {
    answer("MJPG 1280 x 720, 30 fps");
    ds.VCapCapturePinSet();
    EXPECT_TRUE(pinSetWhileOpen);
    EXPECT_FALSE(ds.PinSet());
    EXPECT_EQ(rows, 8);
    EXPECT_EQ(current, "YUY2 640 x 480, 30 fps");  // the format set now is preselected
    EXPECT_TRUE(title.isEmpty());
    EXPECT_EQ(where, QPoint(30, 30));
    const platform::VideoInfoHeader f = ds.CapturePinGet();
    EXPECT_EQ(f.bmiHeader.biCompression, platform::kFourCC_MJPG);
    EXPECT_EQ(f.bmiHeader.biWidth, 1280);
    EXPECT_EQ(f.bmiHeader.biHeight, 720);
    EXPECT_EQ(f.AvgTimePerFrame, 333333);
    ASSERT_TRUE(ds.Ready());
    EXPECT_EQ(ds.RunGraphResult(), 0);
    EXPECT_TRUE(ds.Graph()->findFilterByName("MJPEGDEC"));
    EXPECT_EQ(ds.Graph()->currentState(), GST_STATE_PLAYING);
}

TEST_F(FormatPage, CancelKeepsTheStoredFormat) {
    answer(QString());
    ds.VCapCapturePinSet();
    EXPECT_TRUE(pinSetWhileOpen);
    const platform::VideoInfoHeader f = ds.CapturePinGet();
    EXPECT_EQ(f.bmiHeader.biCompression, platform::kFourCC_YUY2);
    EXPECT_EQ(f.bmiHeader.biWidth, 640);
    EXPECT_TRUE(ds.Ready());
    EXPECT_EQ(ds.Graph()->currentState(), GST_STATE_PLAYING);
}

TEST_F(FormatPage, NoSecondPageAndNoPageWithoutDevice) {
    int pages = 0;
    ds.setFormatPage([&](StreamConfig&) {
        ++pages;
        ds.VCapCapturePinSet();  // while one is open: nothing
    });
    ds.VCapCapturePinSet();
    EXPECT_EQ(pages, 1);
    ds.Close();
    ds.VCapCapturePinSet();
    EXPECT_EQ(pages, 1);
    EXPECT_FALSE(ds.DeviceEnable());
}

TEST_F(FormatPage, StoredFormatTheCameraRefusesLeavesAFailedBuild) {
    int pages = 0;
    ds.setFormatPage([&](StreamConfig&) { ++pages; });
    platform::VideoInfoHeader rgb;
    TDirectShow::FillVH(rgb, 640, 480, 333333, platform::kFourCC_RGB24);  // not offered
    ds.CapturePinSet(rgb);
    ds.VCapCapturePinSet();
    EXPECT_EQ(pages, 0);
    EXPECT_FALSE(ds.Ready());
    EXPECT_EQ(ds.Caption(), "Graph render fail");
    EXPECT_EQ(ds.CaptionState(), 2);
    ds.Run();
    EXPECT_NE(ds.Graph()->currentState(), GST_STATE_PLAYING);
}

}  // namespace
