// TMainForm: the main window, from its construction to its destruction.
//
// Everything here runs on the GUI thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QRect>
#include <QWidget>

#include "AppServices.h"
#include "ButtonBar.h"
#include "CameraNotification.h"
#include "app/gallery/GalleryModel.h"
#include "app/gallery/ImageCache.h"
#include "app/gallery/StripGeometry.h"
#include "MessageTexts.h"
#include "PendingCameraSettings.h"
#include "SettingsStore.h"
#include "SupportedCameraRows.h"
#include "WindowLayout.h"
#include "editions/Edition.h"
#include "platform/UiLanguage.h"
#include "platform/VideoInfoHeader.h"

class CameraSettingsDialog;
class ImageView;
class QDialog;
class OutsideMessages;
class StandbyWatcher;
class VirtualDeviceControl;
class QScrollBar;
class QTimer;
namespace gallery {
class FolderNotifyThread;
}
namespace platform {
class ExitHook;
}
class TDirectShow;
class TPopup;

class TMainForm : public QWidget {
  public:
    // The window shows `capture` (never null) in its preview panel and owns it from here on.
    TMainForm(const editions::Edition& edition, app::AppServices services,
              std::unique_ptr<TDirectShow> capture);
    ~TMainForm() override;

    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // False when construction could not complete (the settings failure): the program then ends
    // with exit code 0 and the window never shows.
    bool constructed() const { return constructed_; }

    // The creation event: rescan, first preview start, show. False: no camera could be started
    // (after the retry) and the program ends with exit code 0.
    bool FormCreate();

    // Starts the preview on the first supported camera found; one retry after 500 ms.
    bool StartPreview(bool isRetry);
    void StopPreview();

    // Re-reads the texts of the user's language when the interface language changed.
    void ApplyLanguage();

    // Shows message text `id` in a box captioned with text 1.
    platform::MsgAnswer ShowMessage(int id,
                                    platform::MsgButtons buttons = platform::MsgButtons::Ok);

    TDirectShow* DirectShow1() const { return DirectShow1_; }
    const app::MessageTexts& texts() const { return texts_; }

    // Settings state, read by the other parts of the window.
    int32_t imageWidth() const { return imageWidth_; }
    int32_t imageHeight() const { return imageHeight_; }
    int32_t pictureCounter() const { return pictureCounter_; }
    void setPictureCounter(int32_t counter) { pictureCounter_ = counter; }
    uint32_t frequency() const { return frequency_; }
    bool overlayDisable() const { return overlayDisable_; }
    int32_t cameraAspect() const { return cameraAspect_; }
    bool recordCapable() const { return recordCapable_; }
    bool smallScreen() const { return smallScreen_; }
    const std::string& pictureFolder() const { return pictureFolder_; }
    const std::string& videoFolder() const { return videoFolder_; }
    const std::string& cacheFilePath() const { return cacheFilePath_; }
    int32_t focusIndex() const { return gallery_.focusIndex(); }
    const gallery::GalleryModel& gallery() const { return gallery_; }
    const gallery::ImageCache& imageCache() const { return imageCache_; }
    int scrollPosition() const;
    void setScrollPosition(int position);
    int busy() const { return busy_; }
    const gallery::RescanStats& lastRescan() const { return lastRescan_; }
    int32_t buttonState(int button) const { return buttons_.state(button); }
    const app::WindowLayout& layout() const { return layout_; }
    QWidget* BgPanel() const { return BgPanel_; }
    ImageView* ImageShow() const { return ImageShow_; }
    bool enlarged() const { return enlarged_; }
    bool recording() const { return recording_.load(); }

    // Button states as drawn.
    static constexpr int32_t kDisabled = app::ButtonBar::kDisabled;
    static constexpr int32_t kHover = app::ButtonBar::kHover;
    static constexpr int32_t kNormal = app::ButtonBar::kNormal;
    static constexpr int32_t kRecording = app::ButtonBar::kRecording;
    void DrawButton(int button, int32_t state);

    // Window commands.
    void FitPreview();
    void FormMouseMove(QPoint p);
    void FormMouseUp(Qt::MouseButton button, QPoint p);
    void DirectShow1DblClick();
    bool ChooseResolution(int choice);
    // How many of the popup's sizes this camera is offered: a 4:3 camera only the first two.
    int offeredSizeCount() const { return cameraAspect_ == 1 ? edition_.popupSizes : 2; }
    const editions::Edition& edition() const { return edition_; }
    // The outer top-left corner of the window, frame included, on the screen.
    QPoint outerTopLeft() const;
    void setPopup(TPopup* popup) { popup_ = popup; }
    // The gallery and the snapshot.
    void RescanGallery();
    void DrawStrip();
    void ImageShowMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint p);
    void OpenItem(int index, bool withWorkingDirectory = false);
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // `byMotion`: a picture nobody is there for, which shows no message and asks nothing; what
    // keeps it from being taken is said on stderr.
    void TakeSnapshot(bool byMotion = false);
    void DeleteSelected();
    // A message from the folder watcher or another program (WM_FOLDERCHANGED, WM_RESCANGALLERY).
    void HandleFolderMessage(uint32_t message);
    static constexpr uint32_t kRescanWaitMs = 200;
    // Rescans done since construction.
    int rescans() const { return rescans_; }

    // Hot-plug and system messages.
    // The device-change message; answers the message result (1 when handled or granted).
    int DeviceChange(uint32_t event, const std::string& interfaceName);
    void DisplayChange();
    void Suspend();
    CameraNotification& cameraNotification() { return cameraNotification_; }
    static constexpr uint32_t kDisplayChangeWaitMs = 200;
    static constexpr int kDisplayChangeOuterHeight = 653;
    void ToggleRecording();
    void RecTimerTimer();
    void DirectShow1RecordDiskFull(TDirectShow* Sender, void* data);
    void DirectShow1RecordFileLimit(TDirectShow* Sender, void* data);
    bool overwriteClip() const { return OverwriteClip_; }
    bool recTimerActive() const;
    static constexpr int kRecordSettleRounds = 200;  // about two seconds before writing starts
    static constexpr int kRecTimerMs = 500;
    void ShowCameraProperties();
    // Motion pictures: the component's motion event (streaming thread; it only posts), and
    // whether the interval after a motion report is still running.
    void DirectShow1Motion(TDirectShow* Sender, void* data);
    int32_t motionSnapshotSeconds() const { return motionSnapshotSeconds_; }
    bool motionTimerActive() const;
    // Tests look at the settings dialog instead of running it modally.
    void setSettingsDialogHook(std::function<void(QDialog&)> hook) {
        settingsDialogHook_ = std::move(hook);
    }
    // The brand logo opens the brand's web page (text 9).
    void BrandLogoClick();

    static constexpr uint32_t kRetryWaitMs = 500;
    static constexpr int kSettleRounds = 100;
    static constexpr uint32_t kSettleWaitMs = 10;
    static constexpr uint32_t kUnregisterWaitMs = 100;

    // The process-wide flag that ends the folder watcher's loop.
    static std::atomic<bool>& stopFlag();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void customEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createDesign();
    void applyLayout();
    void probeCamera();
    void FormDestroy();
    void saveSettings();
    void saveCache();
    bool folderUsable(const std::string& folder);
    bool tryCameraRows(bool probe);
    // Finds the running camera's model and gives it the values remembered for that model.
    void applyRememberedCameraSettings();
    // Says why the start found no camera it can use: on stderr, and to the desktop.
    void reportNoCamera();

    const editions::Edition& edition_;
    app::AppServices services_;
    app::MessageTexts texts_;
    app::SettingsStore settings_;
    app::PendingCameraSettings cameraSettings_;
    // The edition's supported cameras, then those the settings file adds; tried in this order.
    std::vector<app::CameraRow> cameraRows_;
    // Child widgets, owned by Qt's parent chain.
    QWidget* BgPanel_ = nullptr;
    TDirectShow* DirectShow1_ = nullptr;
    ImageView* ImageShow_ = nullptr;
    ImageView* BrandLogo_ = nullptr;  // the branded edition's logo
    QScrollBar* ScrollBar_ = nullptr;
    TPopup* popup_ = nullptr;
    app::ButtonBar buttons_;
    std::function<void(QDialog&)> settingsDialogHook_;
    CameraSettingsDialog* settingsDialog_ = nullptr;  // while button 4's dialog is open
    std::string cameraModel_;  // the running camera's settings group, "" when unknown
    void updateScrollRange();
    void scrollToEnd();
    void performStripActions(const gallery::StripActions& actions);
    bool imageListStore() const;  // the branded image list instead of the cache
    bool readyForCommand();
    void startRecording();
    void stopRecording();
    void finishClip();
    void endFailedStart(bool deleteFile);
    void dropUnwrittenClip(const std::string& path);
    QTimer* RecTimer_ = nullptr;
    // Folder messages waiting for their rescan, served one per kRescanWaitMs.
    QTimer* RescanTimer_ = nullptr;
    int pendingRescans_ = 0;
    int rescans_ = 0;
    void RescanTimerTimer();
    // Motion pictures (MainMotion.cpp); off while motionSnapshotSeconds_ is 0.
    void setUpMotionSnapshots(int32_t seconds);
    bool motionSnapshotEvent(QEvent* event);
    void armMotion();
    void disarmMotion();
    QTimer* MotionTimer_ = nullptr;  // single shot: the interval before the trigger is armed again
    int32_t motionSnapshotSeconds_ = 0;
    uint32_t RecordingStartTick_ = 0;
    bool OverwriteClip_ = false;
    std::string clipPath_;
    int32_t clipNumber_ = 0;
    app::WindowLayout layout_;

    // The enlarged view and what it replaced.
    bool enlarged_ = false;
    QRect savedGeometry_;
    QSize savedPanelSize_;

    bool constructed_ = false;
    // The outer corner as the window closed: once it is closed the desktop no longer frames it,
    // and its corner is the client area's.
    std::optional<QPoint> closedAt_;
    int32_t imageWidth_ = 640;
    int32_t imageHeight_ = 480;
    platform::VideoInfoHeader captureFormat_{};
    int32_t pictureCounter_ = 1;
    uint32_t frequency_ = 1;
    bool overlayDisable_ = false;
    int32_t cameraAspect_ = 0;
    bool recordCapable_ = false;
    bool smallScreen_ = false;
    int32_t busy_ = 0;
    std::atomic<bool> recording_{false};  // read by the folder watcher
    bool drawingStrip_ = false;
    platform::LangId lastLanguage_ = 0;
    std::string pictureFolder_;
    std::string videoFolder_;
    std::string cacheFilePath_;
    gallery::GalleryModel gallery_;
    gallery::ImageCache imageCache_;
    gallery::StripGeometry strip_;
    gallery::RescanStats lastRescan_;
    std::vector<QImage> imageList_;  // the branded edition's thumbnails, by gallery index
    std::unique_ptr<gallery::FolderNotifyThread> FolderNotifyThread_;
    std::unique_ptr<OutsideMessages> outsideMessages_;
    std::unique_ptr<VirtualDeviceControl> virtualDevices_;
    std::unique_ptr<StandbyWatcher> standby_;
    std::unique_ptr<platform::ExitHook> exitHook_;
    CameraNotification cameraNotification_;
    QImage stripBackground_;
    QImage selectionPicture_;
};
