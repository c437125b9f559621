// TDirectShow: the capture component, a panel that shows the caption and the video of its media
// graph (CaptureGraph, free of Qt) and forwards the graph's published methods.
//
// All calls come from the GUI thread, except Motion(), which the frame filter makes on the
// streaming thread. Graph events reach the panel as the posted event WM_GRAPHNOTIFY (0x8001).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "capture/CaptureGraph.h"
#include "capture/CaptureHost.h"
#include "capture/CaptureOptions.h"
#include "capture/CaptureVariant.h"
#include "capture/CompressorTable.h"

class TDirectShow;
class VideoWidget;

namespace platform {
class MessageBoxes;
}

// Event callback: the component as Sender, `data` always null.
using TDirectShowEvent = std::function<void(TDirectShow* Sender, void* data)>;

// The component's published events.
struct CaptureEvents {
    TDirectShowEvent OnMotion;  // streaming thread: set it while no frames flow
    TDirectShowEvent OnRecordFileLimit;
    TDirectShowEvent OnRecordDiskFull;
};

class TDirectShow : public QWidget, private CaptureHost {
  public:
    // `boxes` shows the start-up failure box; null uses the real Qt message boxes. The variant is
    // the program's edition and never changes.
    explicit TDirectShow(QWidget* owner = nullptr, platform::MessageBoxes* boxes = nullptr,
                         CaptureVariant variant = CaptureVariant::Main);
    ~TDirectShow() override;

    TDirectShow(const TDirectShow&) = delete;
    TDirectShow& operator=(const TDirectShow&) = delete;

    // --- published properties (read/write) ---
    // What the builds read, set before a build; the builds write back the devices they bound.
    CaptureOptions& options() { return graph_.options(); }
    const CaptureOptions& options() const { return graph_.options(); }
    CaptureEvents& events() { return FEvents; }
    QColor Color = QColor(99, 99, 99);      // the panel's colour behind the caption
    QColor CaptionColor = QColor(0, 0, 0);  // the caption's text colour (window text)

    int32_t VMR_VER_get() const { return graph_.VMR_VER_get(); }
    void VMR_VER_set(int32_t v) { graph_.VMR_VER_set(v); }
    bool FullScreen_get() const { return graph_.FullScreen_get(); }
    void FullScreen_set(bool on) { graph_.FullScreen_set(on); }
    bool MotionEnabled_get() const { return graph_.MotionEnabled_get(); }
    void MotionEnabled_set(bool on) { graph_.MotionEnabled_set(on); }
    const std::vector<std::string>& FReadSupportDev() const { return graph_.FReadSupportDev(); }
    void FWriteSupportDev(const std::vector<std::string>& list) { graph_.FWriteSupportDev(list); }
    CaptureVariant Variant() const { return graph_.Variant(); }

    // --- published properties (read-only) ---
    bool InRecord() const { return graph_.InRecord(); }
    bool Ready() const { return graph_.Ready(); }
    bool PinSet() const { return graph_.PinSet(); }
    bool DeviceEnable() const { return graph_.DeviceEnable(); }
    bool ComponentEnable() const { return graph_.DeviceEnable(); }
    int32_t OpenFilterGraphResult() const { return graph_.OpenFilterGraphResult(); }
    int32_t OpenCaptureGraphBuilder2() const { return graph_.OpenCaptureGraphBuilder2(); }
    int32_t OpenVideoMixingRenderer9() const { return graph_.OpenVideoMixingRenderer9(); }
    int32_t PinConnectResult() const { return graph_.PinConnectResult(); }
    int32_t AudioRanderResult() const { return graph_.AudioRanderResult(); }
    int32_t CaptureRanderResult() const { return graph_.CaptureRanderResult(); }
    int32_t PreviewRanderResult() const { return graph_.PreviewRanderResult(); }
    int32_t RunGraphResult() const { return graph_.RunGraphResult(); }

    // --- graph objects and running (see CaptureGraph) ---
    platform::HResult GetInterfaces() { return graph_.GetInterfaces(); }
    void TearDownGraph() { graph_.TearDownGraph(); }
    void CloseInterfaces() { graph_.CloseInterfaces(); }
    static void NukeDownstream(const platform::media::Filter& filter,
                               const std::shared_ptr<platform::media::FilterGraph>& graph) {
        CaptureGraph::NukeDownstream(filter, graph);
    }
    void Run() { graph_.Run(); }
    void Stop() { graph_.Stop(); }
    void Close() { graph_.Close(); }
    platform::HResult HandleGraphEvent() { return graph_.HandleGraphEvent(); }
    // The panel's message handling (graph notification, destroy); true when consumed.
    bool CompWinProc(uint32_t message);
    // Raises OnMotion; called by the frame filter on the streaming thread.
    void Motion() { motion(); }

    // --- caption ---
    void SetCaptionStrings(const std::string& noPreview, const std::string& preview,
                           const std::string& locked);

    // --- graph builds ---
    void InitRunCapture(const std::string& vid, const std::string& pid, bool record) {
        graph_.InitRunCapture(vid, pid, record);
    }
    void InitRunFile(const std::string& file, bool record) { graph_.InitRunFile(file, record); }
    platform::HResult RenderPreview() { return graph_.RenderPreview(); }

    // --- recording ---
    bool StartRecord(const std::string& path) { return graph_.StartRecord(path); }
    bool StartRecord() { return graph_.StartRecord(); }
    void StopRecord() { graph_.StopRecord(); }
    void StartCapture() { graph_.StartCapture(); }
    const std::string& FileName() const { return graph_.FileName(); }
    bool CaptureStarted() const { return graph_.CaptureStarted(); }
    void FinishRecordingFile() { graph_.FinishRecordingFile(); }
    bool RecordingWroteNothing() const { return graph_.RecordingWroteNothing(); }
    const std::string& ProfileFile() const { return graph_.ProfileFile(); }
    int64_t GetMediaPos() { return graph_.GetMediaPos(); }
    bool SetMediaPos(int64_t position) { return graph_.SetMediaPos(position); }
    int64_t GetMediaLength() { return graph_.GetMediaLength(); }

    // --- capture format ---
    void CapturePinSet(const platform::VideoInfoHeader& format) { graph_.CapturePinSet(format); }
    platform::VideoInfoHeader CapturePinGet() const { return graph_.CapturePinGet(); }
    void SetCaptureSubtype(uint32_t fourcc) { graph_.SetCaptureSubtype(fourcc); }
    static platform::HResult FillVH(platform::VideoInfoHeader& vih, uint32_t width, uint32_t height,
                                    uint32_t interval, uint32_t fourcc) {
        return CaptureGraph::FillVH(vih, width, height, interval, fourcc);
    }
    // Lets the user choose one of the camera's formats on a modal page, then rebuilds and runs.
    void VCapCapturePinSet();
    // The modal page of VCapCapturePinSet. Replaceable so tests answer it without a person.
    using FormatPage = CaptureGraph::FormatPage;
    void setFormatPage(FormatPage page) { FFormatPage = std::move(page); }

    // --- stills and the video window ---
    bool StillImg() { return graph_.StillImg(); }
    // Copies the last still into `bitmap` (24 bits, upright unless SnapFlip); false when there
    // is no filter or it never delivered one.
    bool GetImg(QImage& bitmap);
    // Fits the video window to the panel.
    void ReSizeDS();
    void SetZoomValue(int32_t zoom, const int32_t* table, int32_t bytes) {
        graph_.SetZoomValue(zoom, table, bytes);
    }

    // --- graph utilities ---
    static platform::media::Pin GetPin(const platform::media::Filter& filter,
                                       platform::media::PinDirection direction) {
        return CaptureGraph::GetPin(filter, direction);
    }
    static platform::HResult AddFilterByClsid(
        const std::shared_ptr<platform::media::FilterGraph>& graph, const std::string& name,
        const char* factory, platform::media::Filter& out) {
        return CaptureGraph::AddFilterByClsid(graph, name, factory, out);
    }
    platform::HResult FiltersConnect(const platform::media::Filter& up,
                                     const platform::media::Filter& down,
                                     platform::media::PinCategory category,
                                     platform::media::MajorType type) {
        return graph_.FiltersConnect(up, down, category, type);
    }

    // --- the camera's own settings (its property pages) ---
    std::vector<platform::media::CameraControl> CameraControls() const {
        return graph_.CameraControls();
    }
    bool SetCameraControl(const std::string& label, int value) {
        return graph_.SetCameraControl(label, value);
    }

    // --- devices ---
    int32_t GetDeviceList(const std::string& vid, const std::string& pid,
                          std::vector<std::string>& list) {
        return graph_.GetDeviceList(vid, pid, list);
    }
    int32_t GetAudioDeviceList(std::vector<std::string>& list) {
        return graph_.GetAudioDeviceList(list);
    }
    int32_t GetDeviceEnum(const std::string& vid, const std::string& pid) {
        return graph_.GetDeviceEnum(vid, pid);
    }
    int32_t GetAudioDevice(int32_t index, bool renderer) {
        return graph_.GetAudioDevice(index, renderer);
    }

    // --- compressors ---
    // Reads the supported-compressor table from RegsPath's "Compressors" subkey (the default key
    // when RegsPath is empty); RegsPath then names the key read.
    bool SetSupportCompressors();
    void GetCompressor(platform::media::Filter& out, int32_t kind) {
        graph_.GetCompressor(out, kind);
    }
    platform::HResult GetCompressorsList(std::vector<std::string>& list) {
        return graph_.GetCompressorsList(list);
    }
    platform::HResult GetAudioCompressorsList(std::vector<std::string>& list) {
        return graph_.GetAudioCompressorsList(list);
    }
    const CompressorTable& SupportCompressors() const { return FSupportCompressors; }

    // Panel state, for the window and tests.
    QString Caption() const { return FCaption; }
    int32_t CaptionState() const { return graph_.CaptionState(); }
    bool InitFailed() const { return FInitFailed; }
    bool FilterTimerActive() const { return FilterTimer.isActive(); }
    int FilterTimerInterval() const { return FilterTimer.interval(); }
    // The current graph and bound devices (null when none), for diagnostics and tests.
    std::shared_ptr<platform::media::FilterGraph> Graph() const { return graph_.Graph(); }
    const platform::media::Filter& VideoSource() const { return graph_.VideoSource(); }
    const platform::media::Filter& AudioSource() const { return graph_.AudioSource(); }
    const platform::media::Filter& AudioRenderer() const { return graph_.AudioRenderer(); }
    VideoWidget* VideoView() const { return FVideoView; }
    filter::MyTransFilter* TransFilter() const { return graph_.TransFilter(); }
    const platform::media::Filter& TransFilterElement() const {
        return graph_.TransFilterElement();
    }
    filter::MyTransFilter* PrvTransFilter() const { return graph_.PrvTransFilter(); }

    static constexpr uint32_t WM_GRAPHNOTIFY = 0x8001;
    static constexpr uint32_t WM_DESTROY = 0x0002;  // the panel's window goes: release the graph
    static constexpr int32_t kFilterTimerMs = 300;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // CaptureHost
    void graphNotify() override;
    void motion() override;
    void showCaption(CaptionText text) override;
    void attachVideoWindow(const std::shared_ptr<platform::media::VideoWindow>& window) override;
    void placeVideoWindow(platform::media::VideoWindow& window, uint32_t style) override;
    void recordDiskFull() override;
    void recordFileLimit() override;

    void setCaption(const std::string& text);

    std::string FPreviewText;
    std::string FNoPreviewText;
    std::string FLockedText;
    QString FCaption;
    bool FInitFailed = false;
    QTimer FilterTimer;
    CompressorTable FSupportCompressors;
    CaptureEvents FEvents;
    FormatPage FFormatPage;
    VideoWidget* FVideoView = nullptr;  // child widget showing the renderer's frames
    // Declared last: destroyed first, while the panel's members it reports to still exist.
    CaptureGraph graph_;
};
