// CaptureGraph: graph builds on a camera or a media file, the capture format step and its
// rebuild on a chosen format, the frame filter's insertion, the preview chain and the graph
// utilities the builds use.
//
// Everything here runs on the GUI thread while the graph is stopped (NULL state).
#include "CaptureGraph.h"

#include <climits>

#include "filter/MyTransFilter.h"
#include "filter/TransFilterElement.h"
#include "capture/GraphBuildSupport.h"
#include "platform/media/FileSource.h"

using platform::HResult;
using namespace platform::media;
using capture_detail::FpuGuard;
using capture_detail::leaveOldGraph;

namespace {

constexpr uint32_t kVideoWindowStyle = 0x44000000;  // WS_CHILD | WS_CLIPSIBLINGS
constexpr int32_t kDefaultFrameWidth = 640;
constexpr int32_t kDefaultFrameHeight = 480;
constexpr uint32_t kUnitsPerSecond = 10000000;  // frame intervals are in 100 ns units
constexpr uint32_t kThirtyFpsInterval = 333333;
constexpr int64_t kMaxReferenceTime = INT64_MAX;  // a start at this time never comes

VideoSubtype subtypeOf(uint32_t fourcc) {
    if (fourcc == platform::kFourCC_RGB24) {
        return VideoSubtype::RGB24;
    }
    return fourcc == platform::kFourCC_MJPG ? VideoSubtype::MJPG : VideoSubtype::YUY2;
}

}  // namespace

filter::MyTransFilter* CaptureGraph::TransFilter() const {
    return filter::transFilterOf(FTransFilter.element());
}

filter::MyTransFilter* CaptureGraph::PrvTransFilter() const {
    return filter::transFilterOf(FPrvTransFilter.element());
}

filter::MyTransFilter* CaptureGraph::StillFilter() const {
    return branded() ? PrvTransFilter() : TransFilter();
}

HResult CaptureGraph::FillVH(platform::VideoInfoHeader& vih, uint32_t width, uint32_t height,
                             uint32_t interval, uint32_t fourcc) {
    if (interval == 0) {
        interval = kThirtyFpsInterval;  // a stored interval of 0 would divide by zero
    }
    const uint32_t bytes = fourcc != 0 ? 2u : 3u;

    vih.rcSource = {};
    vih.rcTarget = {};
    // Unsigned 32-bit arithmetic throughout: large sizes wrap, as the record's field does.
    vih.dwBitRate = (kUnitsPerSecond / interval) * (width * height * bytes) * 8u;
    vih.dwBitErrorRate = 0;
    vih.AvgTimePerFrame = interval;
    platform::BitmapInfoHeader& bi = vih.bmiHeader;
    bi.biSize = sizeof(platform::BitmapInfoHeader);
    bi.biWidth = static_cast<int32_t>(width);
    bi.biHeight = static_cast<int32_t>(height);
    bi.biPlanes = 1;
    bi.biBitCount = static_cast<uint16_t>(bytes * 8);
    bi.biCompression = fourcc;
    bi.biSizeImage = width * height * bytes;
    bi.biXPelsPerMeter = 0;
    bi.biYPelsPerMeter = 0;
    bi.biClrUsed = 0;
    bi.biClrImportant = 0;
    return platform::S_Ok;
}

// ---------------------------------------------------------------------------------------------
// Entry builds

// Closes every graph object and opens new ones; false (and nothing held) when that fails.
bool CaptureGraph::reopenGraphObjects() {
    CloseInterfaces();
    if (platform::failed(GetInterfaces())) {
        // No graph objects are held after a failed open: nothing can run.
        CloseInterfaces();
        FDeviceEnable = false;
        FReady = false;
        return false;
    }
    FDeviceEnable = true;
    return true;
}

void CaptureGraph::InitRunCapture(const std::string& vid, const std::string& pid, bool record) {
    if (!reopenGraphObjects()) {
        return;
    }
    FFileMode = false;
    if (branded()) {
        // No fallback list: the search always uses the stored ids, which arguments replace.
        if (!vid.empty()) {
            FOptions.VID = vid;
        }
        if (!pid.empty()) {
            FOptions.PID = pid;
        }
        GetDeviceEnum(FOptions.VID, FOptions.PID);
        if (record) {
            GetAudioDevice(FOptions.AudioDevice, false);
        }
    } else if (!FSupportDevs.empty() &&
               ((vid.empty() && pid.empty()) || (FOptions.VID.empty() && FOptions.PID.empty()))) {
        for (const std::string& entry : FSupportDevs) {
            if (entry.size() < 9) {
                continue;  // too short to hold "vvvv?pppp"
            }
            GetDeviceEnum(entry.substr(0, 4), entry.substr(5, 4));
            if (FVideoSource) {
                break;
            }
        }
    } else {
        GetDeviceEnum(vid, pid);
    }
    if (record && !branded()) {
        GetAudioDevice(FOptions.AudioDevice, false);
        if (!FAudioSource) {
            FOptions.CaptureAudio = false;
        }
    }
    if (FVideoSource) {
        InitRun(record);
    } else {
        FDeviceEnable = false;
    }
}

void CaptureGraph::InitRunFile(const std::string& file, bool record) {
    if (!reopenGraphObjects()) {
        return;
    }
    FFileMode = true;
    FSourceFile = file;  // a recording start or stop reopens it
    GetAudioDevice(FOptions.AudioDevice, true);
    FGraph->addFilter(FAudioRenderer, "Audio Output");
    Filter source;
    if (platform::succeeded(FileSource::create(file, source)) &&
        platform::succeeded(FGraph->addFilter(source, "SOURCE"))) {
        FVideoSource = source;
    }
    if (FVideoSource) {
        InitRun(record);
    } else {
        FDeviceEnable = false;
    }
}

// ---------------------------------------------------------------------------------------------
// The common build

void CaptureGraph::InitRun(bool record) {
    if (!FDeviceEnable) {
        return;
    }
    if (branded()) {
        InitRunBranded(record);
        return;
    }
    FInRecord = record;
    FCaptureStarted = false;
    const FpuGuard fpu;

    notifyHost();
    FCaptureBuilder->setFiltergraph(FGraph);
    FGraph->addFilter(FVideoSource, "Source Capture");  // already there in file mode
    FGraph->addFilter(FAudioSource, "Audio Device");    // refused when there is none
    if (FVideoRenderer) {
        FGraph->addFilter(FVideoRenderer, "VMR");
    }
    const uint32_t subtype = FCaptureFormat.bmiHeader.biCompression;
    if (subtype != platform::kFourCC_None && !applyCaptureFormat()) {
        failBuild();  // the camera refused: nothing is connected, so nothing may run
        return;
    }
    configureTransFilter(record);
    FGraph->addFilter(FSmartTee, "Smart Tee");
    if (subtype == platform::kFourCC_MJPG) {
        FGraph->addFilter(FMjpegDecoder, "MJPEGDEC");
        FGraph->addFilter(FColorConverter, "COLORCONV");
    }

    // What the result test judges: the preview chain of a camera build, the file's own video in
    // file mode. A recording build connects its preview inside its branch.
    HResult rendered = platform::S_Ok;
    if (record) {
        if (FOptions.CompressorName == "WMV") {
            RenderWM(FOptions.CaptureVideo, FOptions.CaptureAudio, true);
        } else if (FOptions.CaptureVideo) {
            RenderAVI(FOptions.CaptureAudio);
        } else if (FOptions.CaptureAudio) {
            if (FOptions.AudioCompressorName == "WMA") {
                RenderWM(false, true, true);
            } else if (FOptions.AudioCompressorName == "WAV") {
                RenderWAV(true);
            } else {
                RenderAudioAVI(FOptions.CaptureVideo);
            }
        }
        // Nothing is written until StartCapture opens the streams.
        const int64_t never = kMaxReferenceTime;
        ControlStream(&never, nullptr, 0, 0);
    } else {
        rendered = RenderPreview();
    }

    if (FFileMode) {
        FAudioRanderResult = FCaptureBuilder->renderStream(FVideoSource, FAudioRenderer);
        FPreviewRanderResult = FCaptureBuilder->renderStream(FVideoSource, Filter());
        rendered = FPreviewRanderResult;
    }
    if (FOptions.OverlayDisable) {
        // The renderer draws through the video window and never asks for overlay surfaces, so
        // finding it is all there is to do.
        (void)FGraph->findFilterByName("VMR");
    }
    if (FOptions.GraphRot && platform::failed(FGraph->addToRot(FRotCookie))) {
        FRotCookie = 0;
    }
    finishBuild(kVideoWindowStyle, rendered);
}

// The result test on the preview's render result, then the video window on the host.
void CaptureGraph::finishBuild(uint32_t windowStyle, HResult rendered) {
    if (rendered == platform::S_Ok || rendered == S_NoPreviewPin) {
        setCaption(CaptionText::Preview);
        FReady = true;
    } else {
        failBuild();
        FReady = FFileMode;  // a file without playable video still plays its sound
    }
    if (CaptureHost* host = host_.load()) {
        host->placeVideoWindow(*FVideoWindow, windowStyle);
    }
}

// A build that cannot show a picture: the failure caption, and nothing to run or record.
void CaptureGraph::failBuild() {
    setCaption(CaptionText::RenderFail);
    FReady = false;
}

bool CaptureGraph::applyCaptureFormat() {
    StreamConfig config;
    if (platform::failed(StreamConfig::find(FVideoSource, config))) {
        return true;  // no stream configuration: the camera keeps its own format
    }
    return setCameraFormat(config);
}

// Capability 0 is the template; its format block is refilled from FCaptureFormat.
bool CaptureGraph::setCameraFormat(StreamConfig& config) {
    VideoMediaType type;
    if (platform::failed(config.getStreamCaps(0, type)) || !type.videoInfoFormat) {
        return true;
    }
    const platform::BitmapInfoHeader& bi = FCaptureFormat.bmiHeader;
    uint32_t fourcc = bi.biCompression;
    if (branded() && fourcc != platform::kFourCC_RGB24) {
        fourcc = platform::kFourCC_YUY2;  // the branded camera is asked for YUY2 or RGB24 only
    }
    FillVH(type.format, static_cast<uint32_t>(bi.biWidth), static_cast<uint32_t>(bi.biHeight),
           static_cast<uint32_t>(FCaptureFormat.AvgTimePerFrame & 0xFFFFFFFF), fourcc);
    type.subtype = subtypeOf(fourcc);
    type.fixedSizeSamples = true;
    type.temporalCompression = false;
    type.sampleSize = type.format.bmiHeader.biSizeImage;
    return platform::succeeded(config.setFormat(type));
}

void CaptureGraph::VCapCapturePinSet(const FormatPage& page) {
    if (!FDeviceEnable || FPinSet) {
        return;
    }
    TearDownGraph();
    StreamConfig config;
    if (platform::succeeded(StreamConfig::find(FVideoSource, config))) {
        if (!setCameraFormat(config)) {
            failBuild();  // the camera refused the stored format: the graph stays torn down
            return;
        }
        FPinSet = true;
        if (page) {
            page(config);
        }
        FPinSet = false;
        VideoMediaType chosen;
        if (platform::succeeded(config.getFormat(chosen)) && chosen.videoInfoFormat) {
            FCaptureFormat = chosen.format;
        }
    }
    // A camera without stream configuration has nothing to choose: it is simply built again.
    InitRunCapture(FOptions.VID, FOptions.PID, false);
    if (FReady) {
        Run();
    }
}

bool CaptureGraph::ensureTransFilter(Filter& element) {
    if (!element) {
        if (!filter::registerTransFilterElement() ||
            platform::failed(Filter::create(filter::kTransFilterFactory, element))) {
            return false;
        }
        if (filter::MyTransFilter* tf = filter::transFilterOf(element.element())) {
            tf->setVariant(branded() ? filter::FilterVariant::Branded
                                     : filter::FilterVariant::Main);
        }
    }
    return filter::transFilterOf(element.element()) != nullptr;
}

// The filter is made once and kept; its members are written before it joins the stopped graph.
void CaptureGraph::configureTransFilter(bool record) {
    if (!ensureTransFilter(FTransFilter)) {
        return;
    }
    filter::MyTransFilter* tf = TransFilter();
    leaveOldGraph(FTransFilter);
    tf->setOwner(this);
    tf->setAddTime(record && FOptions.AddTimeStr);
    tf->setShowDate(record && FOptions.ShowDate);
    tf->setStillByFilter(FOptions.StillByTransFtr);
    tf->ShowStreamDebug(FOptions.ShowStreamDebug);
    FGraph->addFilter(FTransFilter, "My TransFilter");
    const platform::BitmapInfoHeader& bi = FCaptureFormat.bmiHeader;
    if (bi.biWidth != 0 && bi.biHeight != 0) {
        tf->setRequestedSize(bi.biWidth, bi.biHeight);
    } else {
        tf->setRequestedSize(kDefaultFrameWidth, kDefaultFrameHeight);
    }
}

HResult CaptureGraph::RenderPreview() {
    // Every link is tried, but any broken one leaves the renderer without pictures.
    HResult result = platform::S_Ok;
    const auto link = [&](const Filter& up, const Filter& down) {
        const HResult hr = FiltersConnect(up, down, PinCategory::Capture, MajorType::Any);
        if (platform::failed(hr) && platform::succeeded(result)) {
            result = hr;
        }
    };
    Filter upstream = FVideoSource;
    if (FCaptureFormat.bmiHeader.biCompression == platform::kFourCC_MJPG) {
        link(FVideoSource, FMjpegDecoder);
        link(FMjpegDecoder, FColorConverter);
        upstream = FColorConverter;
    }
    link(upstream, FTransFilter);
    link(FTransFilter, FVideoRenderer);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Graph utilities

Pin CaptureGraph::GetPin(const Filter& filter, PinDirection direction) {
    if (!filter) {
        return {};
    }
    for (Pin& pin : filter.pins()) {
        if (pin.direction() == direction) {
            return pin;
        }
    }
    return {};
}

HResult CaptureGraph::AddFilterByClsid(const std::shared_ptr<FilterGraph>& graph,
                                       const std::string& name, const char* factory, Filter& out) {
    out = Filter();
    const HResult hr = Filter::create(factory, out);
    if (platform::failed(hr)) {
        return hr;
    }
    return graph ? graph->addFilter(out, name) : platform::E_Pointer;
}

HResult CaptureGraph::FiltersConnect(const Filter& up, const Filter& down, PinCategory category,
                                     MajorType type) {
    Pin out;
    HResult hr =
        CaptureGraphBuilder::findPin(up, PinDirection::Output, category, type, true, 0, out);
    if (platform::failed(hr)) {
        hr = CaptureGraphBuilder::findPin(up, PinDirection::Output, PinCategory::None, type, true,
                                          0, out);
    }
    if (platform::failed(hr)) {
        return hr;
    }
    Pin in;
    hr = CaptureGraphBuilder::findPin(down, PinDirection::Input, category, type, true, 0, in);
    if (platform::failed(hr)) {
        hr = CaptureGraphBuilder::findPin(down, PinDirection::Input, PinCategory::None, type, true,
                                          0, in);
    }
    if (platform::succeeded(hr)) {
        hr = FGraph ? FGraph->connect(out, in) : platform::E_Pointer;
    }
    return hr;
}
