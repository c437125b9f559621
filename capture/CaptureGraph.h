// CaptureGraph: the media graph of the capture component, free of Qt. It finds devices, builds
// the graph on a camera or a media file, adds the recording branches, takes stills, lists
// compressors, holds and opens the recorded streams and reads the graph's events. The panel
// (TDirectShow) shows it through CaptureHost.
//
// All calls come from the GUI thread, except Motion(), which the frame filter makes on the
// streaming thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/CaptureHost.h"
#include "capture/CaptureOptions.h"
#include "capture/CaptureVariant.h"
#include "filter/FilterTypes.h"
#include "platform/HResult.h"
#include "platform/VideoInfoHeader.h"
#include "platform/media/CameraControls.h"
#include "platform/media/CaptureGraphBuilder.h"
#include "platform/media/Filter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaTypes.h"
#include "platform/media/StreamConfig.h"
#include "platform/media/UsbPlace.h"
#include "platform/media/VideoWindow.h"

namespace platform::media {
class FileWriter;
class StreamControl;
}  // namespace platform::media

namespace filter {
class MyTransFilter;
}

class CaptureGraph final : public filter::FilterOwner {
  public:
    // `host` outlives the graph. The variant is the program's edition and never changes.
    CaptureGraph(CaptureHost& host, CaptureVariant variant);
    ~CaptureGraph() override;

    CaptureGraph(const CaptureGraph&) = delete;
    CaptureGraph& operator=(const CaptureGraph&) = delete;

    // What the builds read; they write back the devices they bound.
    CaptureOptions& options() { return FOptions; }
    const CaptureOptions& options() const { return FOptions; }

    CaptureVariant Variant() const { return FVariant; }
    int32_t VMR_VER_get() const { return FVmrVer; }
    void VMR_VER_set(int32_t v) { FVmrVer = (v == 9) ? 9 : 7; }
    bool FullScreen_get() const;
    void FullScreen_set(bool on);
    // The frame filter's motion trigger; false (and no effect) while no frame filter exists.
    bool MotionEnabled_get() const;
    void MotionEnabled_set(bool on);
    const std::vector<std::string>& FReadSupportDev() const { return FSupportDevs; }
    void FWriteSupportDev(const std::vector<std::string>& list);

    // --- state after builds ---
    bool InRecord() const { return FInRecord; }
    bool Ready() const { return FReady; }
    bool PinSet() const { return FPinSet; }
    bool DeviceEnable() const { return FDeviceEnable; }
    int32_t CaptionState() const { return FCaptionState; }
    int32_t OpenFilterGraphResult() const { return FOpenFilterGraphResult; }
    int32_t OpenCaptureGraphBuilder2() const { return FOpenCaptureGraphBuilder2; }
    int32_t OpenVideoMixingRenderer9() const { return FOpenVideoMixingRenderer9; }
    int32_t PinConnectResult() const { return FPinConnectResult; }
    int32_t AudioRanderResult() const { return FAudioRanderResult; }
    int32_t CaptureRanderResult() const { return FCaptureRanderResult; }
    int32_t PreviewRanderResult() const { return FPreviewRanderResult; }
    int32_t RunGraphResult() const { return FRunGraphResult; }

    // --- graph objects and running ---
    platform::HResult GetInterfaces();
    void TearDownGraph();
    static void NukeDownstream(const platform::media::Filter& filter,
                               const std::shared_ptr<platform::media::FilterGraph>& graph);
    void CloseInterfaces();
    void Run();
    void Stop();
    void Close();
    // GUI thread, after the host's graphNotify: drains the graph's events; the last error abort
    // among them raises the host's disk-full or file-limit event.
    void HandleNotify();
    platform::HResult HandleGraphEvent();
    // The frame filter's motion, passed to the host; streaming thread.
    void Motion() override;

    // --- graph builds ---
    // Finds the camera with the given ids and builds its graph. Empty ids, and any ids while no
    // camera was ever bound (VID and PID empty), search the supported-devices list in its order
    // instead; without a list, empty ids take the first camera at or after VideoDevice. The
    // branded component has no list: it searches by VID and PID, which non-empty ids replace.
    void InitRunCapture(const std::string& vid, const std::string& pid, bool record);
    // Builds a graph that plays a media file: its pictures through the frame filter to the
    // renderer, its sound to the sound output (the source filter is "SOURCE").
    void InitRunFile(const std::string& file, bool record);
    // Connects camera (or the MJPEG chain) -> frame filter -> renderer; the first failure of
    // those links (all are tried), else S_Ok.
    platform::HResult RenderPreview();

    // --- recording ---
    // Keeps `path` (at most 259 UTF-16 characters; a longer one is refused with false and
    // nothing is rebuilt) and rebuilds the graph with the recording branch, its streams held.
    bool StartRecord(const std::string& path);
    // Rebuilds with the recording branch on the current file name.
    bool StartRecord();
    // Rebuilds without the recording branch; the file is completed first.
    void StopRecord();
    // Opens the recorded streams (when the graph records) and starts the elapsed-time feed.
    void StartCapture();
    // Every 300 ms on the GUI thread: the elapsed time for the stamp while capture runs.
    void FilterTimerTimer();
    const std::string& FileName() const { return FFileName; }
    bool CaptureStarted() const { return FCaptureStarted; }
    // Completes the running recording's file now (bounded), touching nothing else: for a way
    // out of the process on which the windows can no longer be used.
    void FinishRecordingFile() { finishRecording(); }
    // The last recording is known to have let no frame (no sound, for a clip without video)
    // into its file: its streams were never opened, or nothing came after they were.
    bool RecordingWroteNothing() const { return FRecordingWroteNothing; }
    // The profile file the last Windows Media build looked for ("prxs/...").
    const std::string& ProfileFile() const { return FProfileFile; }
    // File-mode playback position and length in 100 ns units; 0 / false in camera mode.
    int64_t GetMediaPos();
    bool SetMediaPos(int64_t position);
    int64_t GetMediaLength();
    // The WAV writer's factory (what the WAV branch looks up as "WavDest").
    static constexpr const char* kWavWriterFactory = "wavenc";

    // --- capture format ---
    // Copies all 88 bytes, the compression field included.
    void CapturePinSet(const platform::VideoInfoHeader& format) { FCaptureFormat = format; }
    platform::VideoInfoHeader CapturePinGet() const { return FCaptureFormat; }
    // Sets the capture subtype (FOURCC) in the capture format's compression field.
    void SetCaptureSubtype(uint32_t fourcc) { FCaptureFormat.bmiHeader.biCompression = fourcc; }
    // Fills `vih` for a capture format: 2 bytes a pixel for any FOURCC but 0 (RGB24, 3 bytes);
    // the bit rate wraps as 32-bit. An interval of 0 is taken as 30 frames a second. Returns 0.
    static platform::HResult FillVH(platform::VideoInfoHeader& vih, uint32_t width, uint32_t height,
                                    uint32_t interval, uint32_t fourcc);
    // The page that shows the camera's formats, sets the chosen one through `config` and returns
    // when closed.
    using FormatPage = std::function<void(platform::media::StreamConfig& config)>;
    // Lets the user choose one of the camera's formats on `page`, then rebuilds and runs.
    void VCapCapturePinSet(const FormatPage& page);

    // --- stills and the video window ---
    // Asks the still filter for a still and waits for it (500 polls of 10 ms). The branded
    // component takes stills from its preview branch's filter and refuses while recording.
    bool StillImg();
    // The size of the last still; false when there is no filter or it never delivered one.
    bool StillSize(int& width, int& height) const;
    // Copies that still as blue-green-red rows of `stride` bytes, upright unless SnapFlip; false
    // when a new frame size was asked for but no still of it has come yet.
    bool CopyStill(uint8_t* rows, int stride, int width, int height) const;
    // Zoom percent and table (byte offsets of source luma bytes) for the frame filter; only while
    // CaptureVideo is set and the filter exists. At most the table's capacity is copied.
    void SetZoomValue(int32_t zoom, const int32_t* table, int32_t bytes);

    // --- graph utilities ---
    // The first pin of `filter` with this direction; empty when there is none.
    static platform::media::Pin GetPin(const platform::media::Filter& filter,
                                       platform::media::PinDirection direction);
    // Creates the filter of a factory (the class identifier's stand-in) and adds it as `name`.
    static platform::HResult AddFilterByClsid(
        const std::shared_ptr<platform::media::FilterGraph>& graph, const std::string& name,
        const char* factory, platform::media::Filter& out);
    // Connects the first free output of `up` (by category, else any) to the first free input of
    // `down`, inserting converters where needed.
    platform::HResult FiltersConnect(const platform::media::Filter& up,
                                     const platform::media::Filter& down,
                                     platform::media::PinCategory category,
                                     platform::media::MajorType type);

    // --- the camera's own settings (its property pages) ---
    std::vector<platform::media::CameraControl> CameraControls() const;
    bool SetCameraControl(const std::string& label, int value);

    // --- devices ---
    // Friendly names of the cameras (all, or those carrying vid/pid); the list is cleared first.
    int32_t GetDeviceList(const std::string& vid, const std::string& pid,
                          std::vector<std::string>& list);
    // Appends the friendly names of all microphones, the bound camera's own first.
    int32_t GetAudioDeviceList(std::vector<std::string>& list);
    // Binds the first camera at or after VideoDevice that carries vid/pid; 0 when bound.
    int32_t GetDeviceEnum(const std::string& vid, const std::string& pid);
    // Binds the index-th microphone (counted with the bound camera's own first) or sound output;
    // 0 when bound.
    int32_t GetAudioDevice(int32_t index, bool renderer);

    // --- compressors ---
    // Which compressors the lists leave out (the supported-compressor table); none when unset.
    void setCompressorFilter(std::function<bool(const std::string& friendlyName)> hidden) {
        FHidesCompressor = std::move(hidden);
    }
    // kind 0: the video compressor named CompressorName, 1: the audio one; empty when none matches.
    void GetCompressor(platform::media::Filter& out, int32_t kind);
    platform::HResult GetCompressorsList(std::vector<std::string>& list);
    platform::HResult GetAudioCompressorsList(std::vector<std::string>& list);

    // --- what the graph holds, for the panel, diagnostics and tests ---
    std::shared_ptr<platform::media::FilterGraph> Graph() const { return FGraph; }
    const std::shared_ptr<platform::media::VideoWindow>& VideoWindow() const {
        return FVideoWindow;
    }
    const platform::media::Filter& VideoSource() const { return FVideoSource; }
    const platform::media::Filter& AudioSource() const { return FAudioSource; }
    const platform::media::Filter& AudioRenderer() const { return FAudioRenderer; }
    // The frame filter (null before the first build) and its element.
    filter::MyTransFilter* TransFilter() const;
    const platform::media::Filter& TransFilterElement() const { return FTransFilter; }
    // The branded preview branch's filter ("My PrvTransFilter"; null until a build needs it).
    filter::MyTransFilter* PrvTransFilter() const;
    // The filter stills and the motion trigger come from: the preview filter when branded.
    filter::MyTransFilter* StillFilter() const;

    static constexpr uint32_t kDeviceSettleMs = 200;  // wait after binding a camera
    static constexpr size_t kDisplayNameBytes = 511;  // display names are read into 512 bytes

  private:
    bool reopenGraphObjects();
    void InitRun(bool record);
    // Graph events reach the host's graphNotify from the bus thread.
    void notifyHost();
    // The result test on `rendered` and the video window, last step of both builds.
    void finishBuild(uint32_t windowStyle, platform::HResult rendered);
    // "Graph render fail": Ready false, so neither Run nor StartCapture starts anything.
    void failBuild();
    void setCaption(CaptionText text);
    // The branded build: one operation, recording branch inline, preview by category.
    void InitRunBranded(bool record);
    void renderBrandedRecording();
    void renderBrandedPreview(bool record);
    bool brandedStampOrStill() const {
        return FOptions.AddTimeStr || FOptions.ShowDate || FOptions.ShowStreamDebug ||
               FOptions.StillByTransFtr;
    }
    bool branded() const { return FVariant == CaptureVariant::Branded; }
    // The capture format step of a build; false when the camera refused the format.
    bool applyCaptureFormat();
    bool setCameraFormat(platform::media::StreamConfig& config);
    void configureTransFilter(bool record);
    // Makes the filter element once; false when it cannot be made.
    bool ensureTransFilter(platform::media::Filter& element);
    // Recording branches (filled by the recording build).
    void RenderWM(bool video, bool audio, bool preview);
    void RenderAVI(bool audio);
    void RenderAudioAVI(bool preview);
    void RenderWAV(bool preview);
    // Start and stop of the recorded streams; null means now.
    void ControlStream(const int64_t* start, const int64_t* stop, uint32_t startCookie,
                       uint32_t stopCookie);
    std::shared_ptr<platform::media::StreamControl> GetStreamControl(
        const platform::media::Filter& filter, platform::media::MajorType type);
    // Asks the microphone for `count` buffers; true when the suggestion failed.
    bool SetAudioBuffer(int32_t count);
    void connectRecordedAudio(const platform::media::Filter& sink, const char* compressorName);
    void finishRecording();
    platform::HResult compressorList(int category, std::vector<std::string>& list);

    // Null once the graph is being destroyed: nothing is reported then. Atomic because Motion()
    // reads it on the streaming thread.
    std::atomic<CaptureHost*> host_;
    const CaptureVariant FVariant;
    CaptureOptions FOptions;

    // property storage
    int32_t FVmrVer = 7;
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

    int32_t FCaptionState = 0;
    bool FFileMode = false;
    bool FCaptureStarted = false;
    uint32_t FRotCookie = 0;
    platform::VideoInfoHeader FCaptureFormat;
    std::string FFileName;
    std::function<bool(const std::string&)> FHidesCompressor;

    // The graph: one counted reference, which is also its control, event and seeking interface.
    // CloseInterfaces releases it with the builder and the video window.
    std::shared_ptr<platform::media::FilterGraph> FGraph;
    std::shared_ptr<platform::media::CaptureGraphBuilder> FCaptureBuilder;
    std::shared_ptr<platform::media::VideoWindow> FVideoWindow;
    platform::media::Filter FVideoSource;
    // Where the bound camera sits on USB; its microphones are listed first. Empty without one.
    platform::media::UsbPlace FVideoSourcePlace;
    platform::media::Filter FAudioSource;
    platform::media::Filter FVideoRenderer;
    platform::media::Filter FSmartTee;
    platform::media::Filter FAudioRenderer;
    platform::media::Filter FMjpegDecoder;
    platform::media::Filter FColorConverter;
    // The frame filter's element: made by the first build and held for the component's life;
    // each build re-adds it to the new graph.
    platform::media::Filter FTransFilter;
    platform::media::Filter FPrvTransFilter;  // branded: the preview branch's filter, kept too
    // The recorded outputs' stream controls and the file writer of a recording build; the
    // file is completed in TearDownGraph before the graph stops.
    std::shared_ptr<platform::media::StreamControl> FVideoStreamControl;
    std::shared_ptr<platform::media::StreamControl> FAudioStreamControl;
    std::shared_ptr<platform::media::FileWriter> FFileWriter;
    bool FRecordingWroteNothing = false;
    std::string FProfileFile;
    std::string FSourceFile;  // the played media file in file mode
};
