// TMainForm construction, preview start with its retry, language, and shutdown.
#include "Main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "CaptureFormat.h"
#include "Localisation.h"
#include "capture/nDirectShow.h"
#include "platform/KnownFolders.h"
#include "platform/Sleep.h"
#include "platform/UserDirs.h"

namespace {
// Until the window design arrives: the preview area and the strip below it.
constexpr int kClientWidth = 768;
constexpr int kClientHeight = 620;
constexpr int kStripWidth = 768;
constexpr int kStripHeight = 74;
}  // namespace

std::atomic<bool>& TMainForm::stopFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}

TMainForm::TMainForm(const editions::Edition& edition, app::AppServices services)
    : QWidget(nullptr),
      edition_(edition),
      services_(std::move(services)),
      texts_(edition),
      settings_(edition.settingsKey) {
    // 1. The window from its design: fixed size, no maximise or minimise.
    setWindowTitle(QString::fromUtf8(edition_.applicationTitle));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    DirectShow1_ = new TDirectShow(this);
    DirectShow1_->setGeometry((kClientWidth - 640) / 2, 8, 640, 480);
    DirectShow1_->VMR_VER_set(7);
    DirectShow1_->CaptureAudio = edition_.recording;
    DirectShow1_->CaptureVideo = true;
    DirectShow1_->StillByTransFtr = true;
    DirectShow1_->OverlayDisable = true;
    DirectShow1_->GraphRot = edition_.recording;

    // 2. The thumbnail cache file lives in the per-user temporary directory.
    if (edition_.cacheFileName != nullptr) {
        cacheFilePath_ = platform::tempDir() + edition_.cacheFileName;
    }

    // 3. Every start asks for 640 x 480 at 30 frames per second.
    imageWidth_ = 640;
    imageHeight_ = 480;
    captureFormat_ = app::MakeCaptureFormat(imageWidth_, 30, imageHeight_);
    if (edition_.cameraProbe) {
        DirectShow1_->CapturePinSet(captureFormat_);
    }

    // 4. Selection, busy and counters.
    selectedCount_ = 0;
    busy_ = 0;
    focusIndex_ = -1;
    anchorIndex_ = -1;
    pictureCounter_ = 1;
    frequency_ = 1;
    drawingStrip_ = false;
    recording_ = false;

    // 5. Which supported camera is attached decides the layout and the record button.
    if (edition_.cameraProbe) {
        probeCamera();
    }

    // 6. Pictures, and videos where the system has such a folder.
    pictureFolder_ = platform::picturesFolder();
    videoFolder_ = pictureFolder_;
    if (edition_.recording) {
        const std::string videos = platform::videosFolder();
        if (!videos.empty()) {
            videoFolder_ = videos;
        }
    }

    // 7.-8. Default texts, then the settings store (its failure box uses the defaults).
    texts_.SetDefaultTexts();
    if (!settings_.openAtStartup()) {
        ShowMessage(editions::MSG_OPEN_SETTING_ERROR);
        return;  // constructed_ stays false: the program ends with 0
    }
    app::StartupSettings stored;
    stored.overlayDisable = overlayDisable_;
    stored.counter = pictureCounter_;
    stored.frequency = frequency_;
    settings_.read(stored);
    overlayDisable_ = stored.overlayDisable;
    pictureCounter_ = stored.counter;
    frequency_ = stored.frequency;

    // 9. The user's language.
    ApplyLanguage();

    // 11. Gallery list and strip background.
    galleryList_.clear();
    stripBackground_ = QImage(edition_.recording ? kStripWidth : 642, kStripHeight, QImage::Format_RGB888);
    stripBackground_.fill(QColor(0x63, 0x63, 0x63));

    // 12. All five buttons start disabled.
    for (int b = 1; b <= 5; ++b) {
        DrawButton(b, kDisabled);
    }

    if (!edition_.cameraProbe) {
        DirectShow1_->CapturePinSet(captureFormat_);
    }
    constructed_ = true;
}

TMainForm::~TMainForm() {
    if (constructed_) {
        FormDestroy();
    }
}

void TMainForm::probeCamera() {
    tryCameraRows(/*probe=*/true);
    DirectShow1_->Close();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect full = screen->geometry();
        smallScreen_ = full.width() < 1024 || full.height() < 768;
        const QRect work = screen->availableGeometry();
        move(work.x() + (work.width() - width()) / 2, work.y() + (work.height() - height()) / 2);
    }
}

// Walks the supported-camera rows in order until the component has a device.
bool TMainForm::tryCameraRows(bool probe) {
    for (const editions::SupportedCamera& row : edition_.cameras) {
        DirectShow1_->VideoDevice = 0;
        if (row.subtype != platform::kFourCC_None) {
            DirectShow1_->SetCaptureSubtype(row.subtype);
        }
        cameraAspect_ = row.aspect;
        if (probe) {
            recordCapable_ = row.recordCapable != 0;
        }
        DirectShow1_->InitRunCapture(row.vid, row.pid, false);
        if (DirectShow1_->DeviceEnable()) {
            return true;
        }
    }
    return false;
}

bool TMainForm::FormCreate() {
    // The gallery rescan arrives with the gallery itself.
    if (!StartPreview(false)) {
        return false;
    }
    show();
    return true;
}

bool TMainForm::StartPreview(bool isRetry) {
    DirectShow1_->OverlayDisable = overlayDisable_;
    if (tryCameraRows(/*probe=*/false)) {
        DirectShow1_->Run();
    }
    if (DirectShow1_->Ready()) {
        DrawButton(1, kNormal);
        DrawButton(3, kNormal);
        DrawButton(4, kNormal);
        if (edition_.recording && recordCapable_) {
            DrawButton(5, kNormal);
        }
        // Let the first frames arrive before anything else happens.
        for (int i = 0; i < kSettleRounds; ++i) {
            QCoreApplication::processEvents();
            platform::sleepMs(kSettleWaitMs);
        }
        return true;
    }
    if (isRetry) {
        return false;
    }
    platform::sleepMs(kRetryWaitMs);
    if (StartPreview(true)) {
        return true;
    }
    // No camera: the program ends with exit code 0, without a message.
    QCoreApplication::exit(0);
    return false;
}

void TMainForm::StopPreview() {
    if (DirectShow1_->Ready()) {
        DirectShow1_->Close();
    }
    focusIndex_ = -1;
    for (int b : {1, 3, 4, 5}) {
        DrawButton(b, kDisabled);
    }
}

void TMainForm::ApplyLanguage() {
    const platform::LangId language = services_.uiLanguage ? services_.uiLanguage() : platform::kLangEnglishUs;
    if (language == lastLanguage_) {
        return;
    }
    lastLanguage_ = language;
    const std::string code = app::languageCode(language);
    texts_.RestoreDefaultsExceptFileExist();
    if (app::readLanguageTexts(edition_.settingsKey, code, texts_)) {
        setWindowTitle(QString::fromStdString(texts_.text(editions::MSG_TITLE)));
        DirectShow1_->SetCaptionStrings(texts_.text(editions::MSG_NOPREVIEW), texts_.text(editions::MSG_PREVIEW),
                                        texts_.text(editions::MSG_LOCEDPREVIEW));
    }
    if (edition_.messageCheck && !services_.arguments.empty() &&
        app::isMessageCheckArgument(services_.arguments.front())) {
        for (int id = 2; id <= static_cast<int>(texts_.count()); ++id) {
            ShowMessage(id);
        }
    }
}

platform::MsgAnswer TMainForm::ShowMessage(int id, platform::MsgButtons buttons) {
    if (services_.messageBoxes == nullptr) {
        return buttons == platform::MsgButtons::Ok ? platform::MsgAnswer::Ok : platform::MsgAnswer::No;
    }
    return services_.messageBoxes->show(nullptr, texts_.text(id), texts_.text(editions::MSG_TITLE), buttons);
}

void TMainForm::DrawButton(int button, int32_t state) {
    if (button < 1 || button > 5) {
        return;
    }
    buttonStates_[static_cast<size_t>(button - 1)] = state;
    update();
}

void TMainForm::FormDestroy() {
    stopFlag().store(true, std::memory_order_release);

    app::ShutdownSettings out;
    out.top = frameGeometry().top();
    out.left = frameGeometry().left();
    out.counter = pictureCounter_;
    out.imageWidth = imageWidth_;
    out.imageHeight = imageHeight_;
    out.frequency = frequency_;
    settings_.write(out);

    // Device notifications and the folder watcher arrive with hot-plug and the gallery.
    platform::sleepMs(kUnregisterWaitMs);

    StopPreview();
    galleryList_.clear();
}
