// TMainForm construction, preview start with its retry, language, and shutdown.
#include "Main.h"

#include <cstdio>

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#include "CameraSettingsDialog.h"
#include "CaptureFormat.h"
#include "ImageView.h"
#include "OutsideMessages.h"
#include "RecordingChoices.h"
#include "StandbyWatcher.h"
#include "VirtualDeviceControl.h"
#include "app/gallery/CacheLocation.h"
#include "app/gallery/Notify.h"
#include "Popups.h"
#include "Localisation.h"
#include "capture/nDirectShow.h"
#include "platform/ExitHook.h"
#include "platform/KnownFolders.h"
#include "platform/Sleep.h"
#include "platform/UserDirs.h"
#include "resources/art/Artwork.h"

std::atomic<bool>& TMainForm::stopFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}

TMainForm::TMainForm(const editions::Edition& edition, app::AppServices services,
                     std::unique_ptr<TDirectShow> capture)
    : QWidget(nullptr),
      edition_(edition),
      services_(std::move(services)),
      texts_(edition),
      settings_(edition.settingsKey),
      cameraSettings_(edition.settingsKey),
      DirectShow1_(capture.release()) {
    // 1. The window from its design.
    createDesign();

    // 2. The thumbnail cache file lives in the per-user temporary directory, or in the user's
    //    cache folder when another user's file holds the name there. It is loaded once the
    //    folders are known (6.).
    if (edition_.cacheFileName != nullptr) {
        cacheFilePath_ = gallery::cacheFileLocation(platform::tempDir(), platform::cacheHome(),
                                                    edition_.cacheFileName);
    }

    // 3. Every start asks for 640 x 480 at 30 frames per second.
    imageWidth_ = 640;
    imageHeight_ = 480;
    captureFormat_ = app::MakeCaptureFormat(imageWidth_, 30, imageHeight_);
    if (edition_.cameraProbe) {
        DirectShow1_->CapturePinSet(captureFormat_);
    }

    // 4. Selection, busy and counters.
    busy_ = 0;
    gallery_.setFocusIndex(-1);
    gallery_.setAnchorIndex(-1);
    pictureCounter_ = 1;
    frequency_ = 1;
    drawingStrip_ = false;
    recording_ = false;

    // The rows the settings file adds take part in the probe, which comes before the store is
    // opened (8.): they are read from the user's key or the default profile it is copied from.
    std::vector<std::pair<std::string, std::string>> settingsRows;
    if (edition_.settingsCameraRows) {
        settingsRows = settings_.readGroup("SupportedCameras");
    }
    std::vector<std::string> skippedRows;
    cameraRows_ = app::cameraRows(edition_.cameras, settingsRows, skippedRows);
    for (const std::string& line : skippedRows) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }

    // 5. Which supported camera is attached decides the layout and the record button.
    if (edition_.cameraProbe) {
        probeCamera();
    } else {
        move(app::kDesignPosition);
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
    // Only records of files the folders hold now: the first rescan would drop the others, and
    // a file of 20,000 records would otherwise cost its whole length in memory.
    if (!cacheFilePath_.empty()) {
        imageCache_.LoadFromFile(cacheFilePath_, [this](std::string_view path) {
            return gallery::GalleryModel::WouldList(path, pictureFolder_, videoFolder_);
        });
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
    std::vector<std::string> problems;
    settings_.read(stored, &problems);
    overlayDisable_ = stored.overlayDisable;
    pictureCounter_ = stored.counter;
    frequency_ = stored.frequency;
    // Stamps and compressors concern clips only; motion pictures are snapshots, which both
    // editions take.
    if (edition_.recording) {
        app::applyRecordingChoices(*DirectShow1_, stored, problems);
    }
    setUpMotionSnapshots(stored.motionSnapshotSeconds);
    for (const std::string& line : problems) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }

    // 9. The user's language.
    ApplyLanguage();

    // 10. Camera notifications; a failure only means that unplugging goes unnoticed.
    cameraNotification_.RegisterCameraNotification(this);
    if (QScreen* s = screen()) {
        connect(s, &QScreen::geometryChanged, this, [this] { DisplayChange(); });
    }
    standby_ = std::make_unique<StandbyWatcher>([this] { Suspend(); });

    // 11. Gallery list and the strip's background bitmap.
    stripBackground_ = art::stripBackground(QSize(edition_.stripWidth, 74));
    ImageShow_->setImage(stripBackground_.copy(0, 0, ImageShow_->width(), ImageShow_->height()));

    // 12. All five buttons start disabled.
    for (int b = 1; b <= 5; ++b) {
        DrawButton(b, kDisabled);
    }

    // 13. The folder watcher; it posts nothing until it knows the window.
    stopFlag().store(false, std::memory_order_release);
    FolderNotifyThread_ = std::make_unique<gallery::FolderNotifyThread>(
        pictureFolder_, edition_.recording ? videoFolder_ : std::string(), stopFlag(), recording_);
    FolderNotifyThread_->setNotifyWindow(this);
    // Other programs reach the window through a per-user socket (the same two messages).
    outsideMessages_ = std::make_unique<OutsideMessages>(edition_.mutexName, this);
    virtualDevices_ = std::make_unique<VirtualDeviceControl>();
    outsideMessages_->extraCommand = [this](const std::string& line) {
        return virtualDevices_->command(line);
    };

    // 14. The preview inside its panel.
    FitPreview();

    if (!edition_.cameraProbe) {
        DirectShow1_->CapturePinSet(captureFormat_);
    }
    constructed_ = true;
    // A lost display connection ends the process from inside Qt (exit(1)), past every
    // destructor: a running clip is finished, and the settings and the cache are saved on that
    // way out too.
    exitHook_ = std::make_unique<platform::ExitHook>([this] {
        if (recording_.load()) {
            DirectShow1_->FinishRecordingFile();  // bounded: the clip gets its index
        }
        saveSettings();
        saveCache();
    });
}

TMainForm::~TMainForm() {
    if (constructed_) {
        FormDestroy();
    }
}

// The designed window: fixed size, no maximise or minimise, the preview panel, the strip.
void TMainForm::createDesign() {
    setWindowTitle(QString::fromUtf8(edition_.applicationTitle));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowSystemMenuHint | Qt::MSWindowsFixedSizeDialogHint |
                   Qt::CustomizeWindowHint);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(251, 251, 251));
    setPalette(pal);
    setAutoFillBackground(true);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(13);
    setFont(font);
    setMouseTracking(true);

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel->setLineWidth(1);
    QPalette panelPal = panel->palette();
    panelPal.setColor(QPalette::Window, QColor(99, 99, 99));
    panelPal.setColor(QPalette::WindowText, QColor(70, 70, 70));
    panel->setPalette(panelPal);
    panel->setAutoFillBackground(true);
    BgPanel_ = panel;

    DirectShow1_->setParent(BgPanel_);  // Qt's parent chain owns it from here on
    DirectShow1_->setGeometry(176, 112, 320, 240);
    DirectShow1_->VMR_VER_set(7);
    CaptureOptions& capture = DirectShow1_->options();
    capture.CaptureAudio = edition_.recording;
    capture.CaptureVideo = true;
    capture.StillByTransFtr = true;
    capture.OverlayDisable = true;
    capture.GraphRot = edition_.graphRegistration;
    capture.RegsPath = "Software\\TWK_CM_SW\\Compressors";
    DirectShow1_->installEventFilter(this);  // its double click toggles the enlarged view
    DirectShow1_->events().OnRecordDiskFull = [this](TDirectShow* sender, void* eventData) {
        DirectShow1RecordDiskFull(sender, eventData);
    };
    DirectShow1_->events().OnRecordFileLimit = [this](TDirectShow* sender, void* eventData) {
        DirectShow1RecordFileLimit(sender, eventData);
    };
    RecTimer_ = new QTimer(this);
    // The caption rounds the elapsed time to whole seconds; a timer that fired early (Qt's coarse
    // timers may, by up to 5 %) would show each second half a second late.
    RecTimer_->setTimerType(Qt::PreciseTimer);
    RecTimer_->setInterval(kRecTimerMs);
    connect(RecTimer_, &QTimer::timeout, this, [this] { RecTimerTimer(); });
    RescanTimer_ = new QTimer(this);
    RescanTimer_->setSingleShot(true);
    connect(RescanTimer_, &QTimer::timeout, this, [this] { RescanTimerTimer(); });

    ImageShow_ = new ImageView(this);
    ImageShow_->onMouseUp = [this](Qt::MouseButton b, QPoint p) {
        ImageShowMouseUp(b, QGuiApplication::keyboardModifiers(), p);
    };
    ScrollBar_ = new QScrollBar(Qt::Horizontal, this);
    ScrollBar_->setRange(0, 1);
    ScrollBar_->setPageStep(7);
    ScrollBar_->setFocusPolicy(Qt::NoFocus);
    connect(ScrollBar_, &QScrollBar::valueChanged, this, [this] { DrawStrip(); });
    setFocusPolicy(Qt::StrongFocus);  // every key reaches FormKeyDown

    if (edition_.brandName != nullptr) {
        BrandLogo_ = new ImageView(this);
        BrandLogo_->setGeometry(555, 495, 75, 20);
        BrandLogo_->setImage(art::brandLogo(QString::fromUtf8(edition_.brandName), QSize(75, 20)));
        BrandLogo_->setCursor(Qt::PointingHandCursor);
        // A click is a press and a release on the logo: the release reaches the logo wherever
        // it happens once the press was there.
        BrandLogo_->onMouseUp = [this](Qt::MouseButton b, QPoint p) {
            if (b == Qt::LeftButton && BrandLogo_->rect().contains(p)) {
                BrandLogoClick();
            }
        };
    }

    layout_ = edition_.adaptiveLayout ? app::computeLayout(0, false, false) : app::brandedLayout();
    applyLayout();
}

void TMainForm::applyLayout() {
    setFixedSize(layout_.client);
    BgPanel_->setGeometry(layout_.bgPanel);
    ImageShow_->setGeometry(layout_.imageShow);
    ScrollBar_->setGeometry(layout_.scrollBar);
    buttons_.setLayout(layout_);
    buttons_.setRecordCapable(edition_.recording && recordCapable_);
    buttons_.setImageSize(imageWidth_, imageHeight_, edition_.hdCaption);
    selectionPicture_ = art::selectionPicture(layout_.thumbnail + QSize(10, 10));
    strip_ = edition_.adaptiveLayout
                 ? gallery::StripGeometry::forCamera(cameraAspect_, smallScreen_)
                 : gallery::StripGeometry::branded();
    updateScrollRange();
    update();
}

void TMainForm::probeCamera() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect work = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    tryCameraRows(/*probe=*/true);
    DirectShow1_->Close();
    if (screen != nullptr) {
        smallScreen_ = app::isSmallScreen(screen->geometry().size());
    }
    layout_ = app::computeLayout(cameraAspect_, recordCapable_, smallScreen_);
    applyLayout();
    // Centred in the work area, the outer size divided with truncation toward zero.
    move((work.right() + 1 - layout_.outer.width()) / 2,
         (work.bottom() + 1 - layout_.outer.height()) / 2);
}

// Walks the supported-camera rows in order until the component has a device.
bool TMainForm::tryCameraRows(bool probe) {
    for (const app::CameraRow& row : cameraRows_) {
        DirectShow1_->options().VideoDevice = 0;
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
    RescanGallery();
    if (!StartPreview(false)) {
        return false;
    }
    show();
    return true;
}

bool TMainForm::StartPreview(bool isRetry) {
    DirectShow1_->options().OverlayDisable = overlayDisable_;
    if (tryCameraRows(/*probe=*/false)) {
        DirectShow1_->Run();
    }
    if (DirectShow1_->Ready()) {
        applyRememberedCameraSettings();
        armMotion();
        DrawButton(1, kNormal);
        DrawButton(3, kNormal);
        DrawButton(4, kNormal);
        if (edition_.recording && recordCapable_) {
            DrawButton(5, kNormal);
        }
        if (edition_.showOnPreviewStart) {
            show();  // the window shows itself once its preview runs
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
    // No camera: the program ends with exit code 0 and no window, saying why.
    reportNoCamera();
    QCoreApplication::exit(0);
    return false;
}

void TMainForm::StopPreview() {
    if (DirectShow1_->Ready()) {
        DirectShow1_->Close();
    }
    gallery_.setFocusIndex(-1);
    for (int b : {1, 3, 4, 5}) {
        DrawButton(b, kDisabled);
    }
}

void TMainForm::ApplyLanguage() {
    const platform::LangId language =
        services_.uiLanguage ? services_.uiLanguage() : platform::kLangEnglishUs;
    if (language == lastLanguage_) {
        return;
    }
    lastLanguage_ = language;
    const std::string code = app::languageCode(language);
    texts_.RestoreDefaultsExceptFileExist();
    if (app::readLanguageTexts(edition_.settingsKey, code, texts_)) {
        setWindowTitle(QString::fromStdString(texts_.text(editions::MSG_TITLE)));
        DirectShow1_->SetCaptionStrings(texts_.text(editions::MSG_NOPREVIEW),
                                        texts_.text(editions::MSG_PREVIEW),
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
        return buttons == platform::MsgButtons::Ok ? platform::MsgAnswer::Ok
                                                   : platform::MsgAnswer::No;
    }
    return services_.messageBoxes->show(nullptr, texts_.text(id), texts_.text(editions::MSG_TITLE),
                                        buttons);
}

void TMainForm::DrawButton(int button, int32_t state) {
    buttons_.setRecording(recording_.load());
    buttons_.setState(button, state);
    buttons_.setImageSize(imageWidth_, imageHeight_, edition_.hdCaption);
    update(buttons_.rectOf(button));
}

void TMainForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    buttons_.paint(p, font(), palette().color(QPalette::WindowText));
}

void TMainForm::FitPreview() {
    const QRect r = app::fitPreview(BgPanel_->size(), QSize(imageWidth_, imageHeight_));
    DirectShow1_->setGeometry(r);
}

void TMainForm::mouseMoveEvent(QMouseEvent* event) {
    FormMouseMove(event->position().toPoint());
}

void TMainForm::mouseReleaseEvent(QMouseEvent* event) {
    FormMouseUp(event->button(), event->position().toPoint());
}

// Hover: only enabled buttons follow the pointer, and only a change is redrawn.
void TMainForm::FormMouseMove(QPoint p) {
    for (int b = 1; b <= app::kButtonCount; ++b) {
        if (!buttons_.drawn(b) || buttons_.state(b) == kDisabled ||
            buttons_.state(b) == kRecording) {
            continue;
        }
        const int32_t wanted = app::buttonHit(layout_, b, p) ? kHover : kNormal;
        if (wanted != buttons_.state(b)) {
            DrawButton(b, wanted);
        }
    }
}

// The first hit ends the handling; button 1 acts whatever its state.
void TMainForm::FormMouseUp(Qt::MouseButton button, QPoint p) {
    if (button != Qt::LeftButton) {
        return;
    }
    if (app::buttonHit(layout_, 1, p)) {
        TakeSnapshot();
        return;
    }
    if (app::buttonHit(layout_, 2, p)) {
        if (buttons_.state(2) != kDisabled) {
            DeleteSelected();
        }
        return;
    }
    if (buttons_.drawn(5) && app::buttonHit(layout_, 5, p)) {
        if (buttons_.state(5) != kDisabled && recordCapable_) {
            ToggleRecording();
        }
        return;
    }
    if (app::buttonHit(layout_, 4, p)) {
        if (buttons_.state(4) != kDisabled) {
            ShowCameraProperties();
        }
        return;
    }
    if (app::buttonHit(layout_, 3, p)) {
        if (buttons_.state(3) != kDisabled && popup_ != nullptr) {
            const QScreen* screen = this->screen();
            const int dpi = screen != nullptr ? static_cast<int>(screen->logicalDotsPerInch()) : 96;
            const QRect b3 = buttons_.rectOf(3);
            popup_->move(edition_.adaptiveLayout
                             ? app::popupPosition(outerTopLeft(), b3.topLeft(), dpi)
                             : app::brandedPopupPosition(outerTopLeft(), dpi));
            popup_->show();
            popup_->activateWindow();
            popup_->setFocus();
        }
        return;
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DirectShow1_ && event->type() == QEvent::MouseButtonDblClick) {
        DirectShow1DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// Enlarged view: a running, non-recording 1280 x 800 preview fills the work area.
void TMainForm::DirectShow1DblClick() {
    const editions::Size view = edition_.enlargedViewSize;
    if (view.width == 0 || !DirectShow1_->Ready() || DirectShow1_->InRecord()) {
        return;
    }
    const platform::VideoInfoHeader f = DirectShow1_->CapturePinGet();
    if (f.bmiHeader.biWidth != view.width || f.bmiHeader.biHeight != view.height) {
        return;
    }
    if (!enlarged_) {
        savedGeometry_ = geometry();
        savedPanelSize_ = BgPanel_->size();
        const QScreen* screen = this->screen();
        const QRect work = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
        const QSize frame = frameGeometry().size() - geometry().size();
        const QSize client =
            app::enlargedClientSize(work.size(), frame, QSize(view.width, view.height));
        setFixedSize(client);
        BgPanel_->setGeometry(0, 0, client.width(), client.height());
        DirectShow1_->setGeometry(0, 0, client.width(), client.height());
        BgPanel_->raise();
        move(work.left() + (work.width() - client.width() - frame.width()) / 2,
             work.top() + (work.height() - client.height() - frame.height()) / 2);
        enlarged_ = true;
    } else {
        setFixedSize(savedGeometry_.size());
        setGeometry(savedGeometry_);
        BgPanel_->setGeometry(5, 0, savedPanelSize_.width(), savedPanelSize_.height());
        FitPreview();
        enlarged_ = false;
    }
    DirectShow1_->ReSizeDS();  // the video window follows the panel's new size
}

QPoint TMainForm::outerTopLeft() const {
    // Asked of the platform window each time: the widget's cached frame is only as new as the
    // last move event, and a window manager adds its frame after the window is first shown.
    const QWindow* window = windowHandle();
    return window != nullptr ? window->frameGeometry().topLeft() : frameGeometry().topLeft();
}

bool TMainForm::ChooseResolution(int choice) {
    if (choice < 0 || choice >= offeredSizeCount()) {
        return false;  // a size the camera is not offered is never asked of it
    }
    StopPreview();
    switch (choice) {
        case 0:
            imageWidth_ = 320;
            imageHeight_ = 240;
            break;
        case 1:
            imageWidth_ = 640;
            imageHeight_ = 480;
            break;
        case 2:
            imageWidth_ = 1280;
            imageHeight_ = 800;
            break;
        default:
            break;
    }
    captureFormat_ = app::MakeCaptureFormat(imageWidth_, 30, imageHeight_);
    FitPreview();
    QCoreApplication::processEvents();
    DirectShow1_->CapturePinSet(captureFormat_);
    buttons_.setImageSize(imageWidth_, imageHeight_, edition_.hdCaption);
    return StartPreview(false);
}

// Button 4: the camera's own settings, modal; a camera without controls shows nothing.
void TMainForm::ShowCameraProperties() {
    // Changes are kept while they come and written once they settle, and when the dialog closes.
    const std::string model = cameraModel_;
    CameraSettingsDialog dialog(*DirectShow1_, this,
                                {[this, model](const std::string& label, int value) {
                                     cameraSettings_.remember(model, label, value);
                                 },
                                 [this, model] { cameraSettings_.forget(model); }});
    if (!dialog.hasControls()) {
        return;
    }
    settingsDialog_ = &dialog;
    if (settingsDialogHook_) {
        settingsDialogHook_(dialog);
    } else {
        dialog.exec();
    }
    settingsDialog_ = nullptr;
    cameraSettings_.flush();
}

void TMainForm::FormDestroy() {
    exitHook_.reset();
    RescanTimer_->stop();
    stopFlag().store(true, std::memory_order_release);
    saveSettings();

    cameraNotification_.UnregisterDeviceNotification();
    platform::sleepMs(kUnregisterWaitMs);
    FolderNotifyThread_.reset();  // waits for its loop to end
    outsideMessages_.reset();

    disarmMotion();
    StopPreview();  // the streaming ends here: no motion report comes after it
    saveCache();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (isVisible()) {
        closedAt_ = outerTopLeft();
    }
    QWidget::closeEvent(event);
}

void TMainForm::saveSettings() {
    app::ShutdownSettings out;
    const QPoint corner = closedAt_ && !isVisible() ? *closedAt_ : outerTopLeft();
    out.top = corner.y();
    out.left = corner.x();
    out.counter = pictureCounter_;
    out.imageWidth = imageWidth_;
    out.imageHeight = imageHeight_;
    out.frequency = frequency_;
    settings_.write(out);
    cameraSettings_.flush();  // a camera setting still settling is not lost
}

void TMainForm::saveCache() {
    if (!cacheFilePath_.empty()) {
        imageCache_.SaveToFile(cacheFilePath_);
    }
}

// Unplug: only while the preview runs, and only the running camera's interface counts.
int TMainForm::DeviceChange(uint32_t event, const std::string& interfaceName) {
    if (!DirectShow1_->Ready()) {
        return 0;
    }
    const CaptureOptions& capture = DirectShow1_->options();
    const bool ours = CameraNotification::matchesCamera(interfaceName, capture.VID, capture.PID);
    if (event == DeviceChangeEvent::DBT_DEVICEREMOVECOMPLETE) {
        if (ours) {
            if (recording_.load()) {
                finishClip();  // the clip so far is kept, finished and listed
            }
            StopPreview();
            if (settingsDialog_ != nullptr) {
                settingsDialog_->cameraGone();  // its rows grey now, not at the next touch
            }
            return 1;
        }
        return 0;
    }
    if (event == DeviceChangeEvent::DBT_DEVICEQUERYREMOVE) {
        if (ours) {
            StopPreview();
        }
        return 1;
    }
    return 0;
}

void TMainForm::DisplayChange() {
    if (!smallScreen_ || !edition_.adaptiveLayout) {
        setFixedHeight(kDisplayChangeOuterHeight - app::kFrameExtraHeight);
    }
    if (DirectShow1_->Ready()) {
        DirectShow1_->Stop();
        platform::sleepMs(kDisplayChangeWaitMs);
        DirectShow1_->Run();
    }
}

// Standby closes the window through the normal shutdown, so the settings are written.
void TMainForm::Suspend() {
    close();
    QCoreApplication::quit();
}

void TMainForm::BrandLogoClick() {
    if (services_.shell != nullptr) {
        services_.shell->open(texts_.text(editions::MSG_URL), std::string());
    }
}
