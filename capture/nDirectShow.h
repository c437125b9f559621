// TDirectShow: the capture component, a panel that owns the media graph and shows its caption.
//
// All calls come from the GUI thread, except Motion(), which the frame filter makes on the
// streaming thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "platform/HResult.h"
#include "platform/VideoInfoHeader.h"

class TDirectShow;

// Event callback: the component as Sender, `data` always null.
using TDirectShowEvent = std::function<void(TDirectShow* Sender, void* data)>;

class TDirectShow : public QWidget {
public:
    explicit TDirectShow(QWidget* owner = nullptr);
    ~TDirectShow() override;

    TDirectShow(const TDirectShow&) = delete;
    TDirectShow& operator=(const TDirectShow&) = delete;

    // --- published properties (read/write) ---
    int32_t VideoDevice = 0;
    int32_t AudioDevice = 0;
    std::string CompressorName;
    std::string AudioCompressorName;
    bool SnapFlip = false;
    bool CaptureAudio = false;
    bool CaptureVideo = false;
    bool AddTimeStr = false;
    bool ShowDate = false;
    bool ShowDateOnPreview = false;
    bool StillByTransFtr = false;
    std::string VID;
    std::string PID;
    std::string RegsPath;
    bool OverlayDisable = false;
    bool ShowStreamDebug = false;
    bool HighQualityVideo = false;
    bool HighQualityAudio = false;
    bool GraphRot = false;
    TDirectShowEvent OnMotion;
    TDirectShowEvent OnRecordFileLimit;
    TDirectShowEvent OnRecordDiskFull;

    int32_t VMR_VER_get() const { return FVmrVer; }
    void VMR_VER_set(int32_t v) { FVmrVer = (v == 9) ? 9 : 7; }
    bool FullScreen_get() const;
    void FullScreen_set(bool on);
    bool MotionEnabled_get() const { return FMotionEnabled; }
    void MotionEnabled_set(bool on) { FMotionEnabled = on; }
    const std::vector<std::string>& FReadSupportDev() const { return FSupportDevs; }
    void FWriteSupportDev(const std::vector<std::string>& list);

    // --- published properties (read-only) ---
    bool InRecord() const { return FInRecord; }
    bool Ready() const { return FReady; }
    bool PinSet() const { return FPinSet; }
    bool DeviceEnable() const { return FDeviceEnable; }
    bool ComponentEnable() const { return FDeviceEnable; }
    int32_t OpenFilterGraphResult() const { return FOpenFilterGraphResult; }
    int32_t OpenCaptureGraphBuilder2() const { return FOpenCaptureGraphBuilder2; }
    int32_t OpenVideoMixingRenderer9() const { return FOpenVideoMixingRenderer9; }
    int32_t PinConnectResult() const { return FPinConnectResult; }
    int32_t AudioRanderResult() const { return FAudioRanderResult; }
    int32_t CaptureRanderResult() const { return FCaptureRanderResult; }
    int32_t PreviewRanderResult() const { return FPreviewRanderResult; }
    int32_t RunGraphResult() const { return FRunGraphResult; }

    // --- operations ---
    void SetCaptionStrings(const std::string& noPreview, const std::string& preview,
                           const std::string& locked);
    void CapturePinSet(const platform::VideoInfoHeader& format);
    platform::VideoInfoHeader CapturePinGet() const { return FCaptureFormat; }
    // Sets the capture subtype (FOURCC) in the capture format's compression field.
    void SetCaptureSubtype(uint32_t fourcc) { FCaptureFormat.bmiHeader.biCompression = fourcc; }

    // Finds the camera with the given ids (empty: the supported-devices list) and builds its graph.
    void InitRunCapture(const std::string& vid, const std::string& pid, bool record);
    void Run();
    void Stop();
    void Close();
    void Motion();

    // Panel state, for the window and tests.
    QString Caption() const { return FCaption; }
    int32_t CaptionState() const { return FCaptionState; }
    bool InitFailed() const { return FInitFailed; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setCaption(const std::string& text);
    void FilterTimerTimer();

    // property storage
    int32_t FVmrVer = 7;
    bool FMotionEnabled = false;
    std::vector<std::string> FSupportDevs;
    bool FInRecord = false;
    bool FReady = false;
    bool FPinSet = false;
    bool FDeviceEnable = false;
    int32_t FOpenFilterGraphResult = 0;
    int32_t FOpenCaptureGraphBuilder2 = 0;
    int32_t FOpenVideoMixingRenderer9 = 0;
    int32_t FPinConnectResult = 0;
    int32_t FAudioRanderResult = 0;
    int32_t FCaptureRanderResult = 0;
    int32_t FPreviewRanderResult = 0;
    int32_t FRunGraphResult = 0;

    std::string FPreviewText;
    std::string FNoPreviewText;
    std::string FLockedText;
    int32_t FCaptionState = 0;
    QString FCaption;
    bool FFileMode = false;
    bool FCaptureStarted = false;
    bool FInitFailed = false;
    platform::VideoInfoHeader FCaptureFormat;
    std::string FFileName;
    QTimer FilterTimer;
};
