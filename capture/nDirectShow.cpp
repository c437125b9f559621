// TDirectShow: the panel: construction, caption, painting, the graph's notifications and events,
// the video window's place, stills as pictures and the supported-compressor table.
#include "nDirectShow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>

#include "capture/VideoWidget.h"
#include "filter/MyTransFilter.h"
#include "platform/MessageBoxes.h"
#include "platform/TsanAnnotations.h"
#include "platform/media/MediaRuntime.h"

using namespace platform::media;

namespace {

const char* const kDefaultRegsPath = "Software\\TWK_CM_SW\\Compressors";
const char* const kRenderFailText = "Graph render fail";

}  // namespace

TDirectShow::TDirectShow(QWidget* owner, platform::MessageBoxes* boxes, CaptureVariant variant)
    : QWidget(owner), graph_(*this, variant) {
    FPreviewText = "Preview";
    FNoPreviewText = "No Preview";
    FLockedText = "Locked by another application";
    setCaption(FNoPreviewText);
    setAutoFillBackground(false);
    FVideoView = new VideoWidget(this);
    graph_.setCompressorFilter(
        [this](const std::string& name) { return FSupportCompressors.hides(name); });

    if (!MediaRuntime::initialise()) {
        FInitFailed = true;
        platform::QtMessageBoxes realBoxes;
        (boxes != nullptr ? *boxes : static_cast<platform::MessageBoxes&>(realBoxes))
            .show(nullptr, "CoInitialize Failed!", "Error", platform::MsgButtons::Ok);
        return;
    }
    FilterTimer.setInterval(kFilterTimerMs);
    connect(&FilterTimer, &QTimer::timeout, this, [this] { graph_.FilterTimerTimer(); });
    FilterTimer.start();
    SetSupportCompressors();
}

// The panel's window going away releases the graph objects, as its destroy message would; the
// graph still tells the panel, which is whole here.
TDirectShow::~TDirectShow() {
    graph_.CloseInterfaces();
}

void TDirectShow::SetCaptionStrings(const std::string& noPreview, const std::string& preview,
                                    const std::string& locked) {
    FNoPreviewText = noPreview;
    FPreviewText = preview;
    FLockedText = locked;
    switch (graph_.CaptionState()) {
        case 0:
            setCaption(FNoPreviewText);
            break;
        case 1:
            setCaption(FPreviewText);
            break;
        case 2:
            setCaption(FLockedText);
            break;
        default:
            break;
    }
}

bool TDirectShow::GetImg(QImage& bitmap) {
    bitmap = QImage();
    int w = 0;
    int h = 0;
    if (!graph_.StillSize(w, h)) {
        return false;
    }
    // The still holds blue, green, red: Qt's BGR888, so rows go across with one copy each.
    QImage image(w, h, QImage::Format_BGR888);
    if (image.isNull() ||
        !graph_.CopyStill(image.bits(), static_cast<int>(image.bytesPerLine()), w, h)) {
        return false;
    }
    bitmap = std::move(image);
    return true;
}

void TDirectShow::ReSizeDS() {
    if (graph_.Ready() && graph_.VideoWindow()) {
        graph_.VideoWindow()->setWindowPosition(0, 0, width(), height());
    }
}

bool TDirectShow::SetSupportCompressors() {
    std::string& path = graph_.options().RegsPath;
    path = path.empty() ? std::string(kDefaultRegsPath) : path + "\\Compressors";
    FSupportCompressors.clear();
    FSupportCompressors.load(path);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Graph events

bool TDirectShow::event(QEvent* e) {
    if (!FInitFailed && static_cast<uint32_t>(e->type()) == WM_GRAPHNOTIFY) {
        platform::tsanAcquire(e);  // a graph notice comes from the posting thread
        return CompWinProc(WM_GRAPHNOTIFY);
    }
    return QWidget::event(e);
}

bool TDirectShow::CompWinProc(uint32_t message) {
    if (message == WM_DESTROY) {
        graph_.CloseInterfaces();
        return true;
    }
    if (message != WM_GRAPHNOTIFY) {
        return false;
    }
    graph_.HandleNotify();
    return true;
}

// Bus thread; the event is handled on the GUI thread by CompWinProc.
void TDirectShow::graphNotify() {
    auto* e = new QEvent(static_cast<QEvent::Type>(WM_GRAPHNOTIFY));
    platform::tsanRelease(e);
    QCoreApplication::postEvent(this, e);
}

void TDirectShow::motion() {
    if (FEvents.OnMotion) {
        FEvents.OnMotion(this, nullptr);
    }
}

void TDirectShow::recordDiskFull() {
    if (FEvents.OnRecordDiskFull) {
        FEvents.OnRecordDiskFull(this, nullptr);
    }
}

void TDirectShow::recordFileLimit() {
    if (FEvents.OnRecordFileLimit) {
        FEvents.OnRecordFileLimit(this, nullptr);
    }
}

// ---------------------------------------------------------------------------------------------
// Panel

void TDirectShow::showCaption(CaptionText text) {
    switch (text) {
        case CaptionText::NoPreview:
            setCaption(FNoPreviewText);
            break;
        case CaptionText::Preview:
            setCaption(FPreviewText);
            break;
        case CaptionText::Locked:
            setCaption(FLockedText);
            break;
        case CaptionText::RenderFail:
            setCaption(kRenderFailText);
            break;
    }
}

void TDirectShow::attachVideoWindow(const std::shared_ptr<VideoWindow>& window) {
    FVideoView->attach(window);
}

void TDirectShow::placeVideoWindow(VideoWindow& window, uint32_t style) {
    QWidget* panel = this;
    window.setWindowPosition(0, 0, width(), height());
    window.setOwner(panel);
    window.setWindowStyle(style);
    window.setMessageDrain(panel);
}

void TDirectShow::setCaption(const std::string& text) {
    FCaption = QString::fromStdString(text);
    update();
}

void TDirectShow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Color);
    p.setPen(CaptionColor);
    p.drawText(rect(), Qt::AlignCenter, FCaption);
}
