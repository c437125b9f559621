// TDirectShow construction, caption states and the operations the main window calls.
#include "nDirectShow.h"

#include <QPainter>

TDirectShow::TDirectShow(QWidget* owner) : QWidget(owner) {
    FPreviewText = "Preview";
    FNoPreviewText = "No Preview";
    FLockedText = "Locked by another application";
    setCaption(FNoPreviewText);
    FCaptureFormat = platform::VideoInfoHeader{};
    FCaptureFormat.bmiHeader.biCompression = platform::kFourCC_None;
    FFileName = "c:\\temp.avi";
    setAutoFillBackground(false);

    FilterTimer.setInterval(300);
    connect(&FilterTimer, &QTimer::timeout, this, [this] { FilterTimerTimer(); });
    FilterTimer.start();
    FCaptureStarted = false;
}

TDirectShow::~TDirectShow() { Close(); }

void TDirectShow::FWriteSupportDev(const std::vector<std::string>& list) {
    if (&list == &FSupportDevs) {
        return;
    }
    FSupportDevs = list;
}

bool TDirectShow::FullScreen_get() const { return false; }

void TDirectShow::FullScreen_set(bool) {}

void TDirectShow::SetCaptionStrings(const std::string& noPreview, const std::string& preview,
                                    const std::string& locked) {
    FNoPreviewText = noPreview;
    FPreviewText = preview;
    FLockedText = locked;
    switch (FCaptionState) {
        case 0: setCaption(FNoPreviewText); break;
        case 1: setCaption(FPreviewText); break;
        case 2: setCaption(FLockedText); break;
        default: break;
    }
}

void TDirectShow::CapturePinSet(const platform::VideoInfoHeader& format) { FCaptureFormat = format; }

void TDirectShow::InitRunCapture(const std::string&, const std::string&, bool record) {
    // No media graph yet: no camera is ever found.
    Close();
    FInRecord = record;
    FDeviceEnable = false;
    FReady = false;
}

void TDirectShow::Run() {
    if (!FDeviceEnable) {
        return;
    }
}

void TDirectShow::Stop() {
    if (!FDeviceEnable) {
        return;
    }
}

void TDirectShow::Close() {
    FDeviceEnable = false;
    FReady = false;
    FInRecord = false;
    setCaption(FNoPreviewText);
    FCaptionState = 0;
}

void TDirectShow::Motion() {
    if (OnMotion) {
        OnMotion(this, nullptr);
    }
}

void TDirectShow::FilterTimerTimer() {}

void TDirectShow::setCaption(const std::string& text) {
    FCaption = QString::fromStdString(text);
    update();
}

void TDirectShow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0));
    p.setPen(QColor(255, 255, 255));
    p.drawText(rect(), Qt::AlignCenter, FCaption);
}
