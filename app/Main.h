// TMainForm: the main window, from its construction to its destruction.
//
// Everything here runs on the GUI thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QWidget>

#include "AppServices.h"
#include "MessageTexts.h"
#include "SettingsStore.h"
#include "editions/Edition.h"
#include "platform/UiLanguage.h"
#include "platform/VideoInfoHeader.h"

class TDirectShow;

class TMainForm : public QWidget {
public:
    TMainForm(const editions::Edition& edition, app::AppServices services);
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
    platform::MsgAnswer ShowMessage(int id, platform::MsgButtons buttons = platform::MsgButtons::Ok);

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
    int32_t focusIndex() const { return focusIndex_; }
    int32_t buttonState(int button) const { return buttonStates_.at(static_cast<size_t>(button - 1)); }

    // Button states as drawn.
    static constexpr int32_t kDisabled = 0;
    static constexpr int32_t kHover = 1;
    static constexpr int32_t kNormal = 2;
    static constexpr int32_t kRecording = 4;
    void DrawButton(int button, int32_t state);

    static constexpr uint32_t kRetryWaitMs = 500;
    static constexpr int kSettleRounds = 100;
    static constexpr uint32_t kSettleWaitMs = 10;
    static constexpr uint32_t kUnregisterWaitMs = 100;

    // The process-wide flag that ends the folder watcher's loop.
    static std::atomic<bool>& stopFlag();

private:
    void probeCamera();
    void FormDestroy();
    bool tryCameraRows(bool probe);

    const editions::Edition& edition_;
    app::AppServices services_;
    app::MessageTexts texts_;
    app::SettingsStore settings_;
    TDirectShow* DirectShow1_ = nullptr;  // child widget, owned by Qt's parent chain

    bool constructed_ = false;
    int32_t imageWidth_ = 640;
    int32_t imageHeight_ = 480;
    platform::VideoInfoHeader captureFormat_{};
    int32_t pictureCounter_ = 1;
    uint32_t frequency_ = 1;
    bool overlayDisable_ = false;
    int32_t cameraAspect_ = 0;
    bool recordCapable_ = false;
    bool smallScreen_ = false;
    int32_t focusIndex_ = -1;
    int32_t anchorIndex_ = -1;
    int32_t selectedCount_ = 0;
    int32_t busy_ = 0;
    bool recording_ = false;
    bool drawingStrip_ = false;
    platform::LangId lastLanguage_ = 0;
    std::string pictureFolder_;
    std::string videoFolder_;
    std::string cacheFilePath_;
    std::vector<std::string> galleryList_;
    QImage stripBackground_;
    std::array<int32_t, 5> buttonStates_{};
};
