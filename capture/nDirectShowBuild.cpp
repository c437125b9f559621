// TDirectShow: graph builds on a camera or a media file, the capture format step, the frame
// filter's insertion, the preview chain and the graph utilities the builds use.
//
// Everything here runs on the GUI thread while the graph is stopped (NULL state).
#include "nDirectShow.h"

#include <climits>

#include <QCoreApplication>
#include <QEvent>

#include "filter/MyTransFilter.h"
#include "filter/TransFilterElement.h"
#include "capture/GraphBuildSupport.h"
#include "platform/TsanAnnotations.h"
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

filter::MyTransFilter* TDirectShow::TransFilter() const {
    return filter::transFilterOf(FTransFilter.element());
}

filter::MyTransFilter* TDirectShow::PrvTransFilter() const {
    return filter::transFilterOf(FPrvTransFilter.element());
}

filter::MyTransFilter* TDirectShow::StillFilter() const {
    return branded() ? PrvTransFilter() : TransFilter();
}

void TDirectShow::CapturePinSet(const platform::VideoInfoHeader& format) {
    FCaptureFormat = format;
}

HResult TDirectShow::FillVH(platform::VideoInfoHeader& vih, uint32_t width, uint32_t height,
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
bool TDirectShow::reopenGraphObjects() {
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

void TDirectShow::InitRunCapture(const std::string& vid, const std::string& pid, bool record) {
    if (!reopenGraphObjects()) {
        return;
    }
    FFileMode = false;
    if (branded()) {
        // No fallback list: the search always uses the stored ids, which arguments replace.
        if (!vid.empty()) {
            VID = vid;
        }
        if (!pid.empty()) {
            PID = pid;
        }
        GetDeviceEnum(VID, PID);
        if (record) {
            GetAudioDevice(AudioDevice, false);
        }
    } else if (VID.empty() && PID.empty() && !FSupportDevs.empty()) {
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
        GetAudioDevice(AudioDevice, false);
        if (!FAudioSource) {
            CaptureAudio = false;
        }
    }
    if (FVideoSource) {
        InitRun(record);
    } else {
        FDeviceEnable = false;
    }
}

void TDirectShow::InitRunFile(const std::string& file, bool record) {
    if (!reopenGraphObjects()) {
        return;
    }
    FFileMode = true;
    FSourceFile = file;  // a recording start or stop reopens it
    GetAudioDevice(AudioDevice, true);
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

void TDirectShow::InitRun(bool record) {
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

    FMediaEvent->setNotify([this] {
        // Runs on the posting thread; the event is handled on the GUI thread by CompWinProc.
        auto* e = new QEvent(static_cast<QEvent::Type>(WM_GRAPHNOTIFY));
        platform::tsanRelease(e);
        QCoreApplication::postEvent(this, e);
    });
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
        if (CompressorName == "WMV") {
            RenderWM(CaptureVideo, CaptureAudio, true);
        } else if (CaptureVideo) {
            RenderAVI(CaptureAudio);
        } else if (CaptureAudio) {
            if (AudioCompressorName == "WMA") {
                RenderWM(false, true, true);
            } else if (AudioCompressorName == "WAV") {
                RenderWAV(true);
            } else {
                RenderAudioAVI(CaptureVideo);
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
        FMediaSeeking = FGraph;  // positions are in 100 ns units already
        rendered = FPreviewRanderResult;
    }
    if (OverlayDisable) {
        // The renderer draws through the video window and never asks for overlay surfaces, so
        // finding it is all there is to do.
        (void)FGraph->findFilterByName("VMR");
    }
    if (GraphRot && platform::failed(FGraph->addToRot(FRotCookie))) {
        FRotCookie = 0;
    }
    finishBuild(kVideoWindowStyle, rendered);
}

// The result test on the preview's render result, then the video window on the panel.
void TDirectShow::finishBuild(uint32_t windowStyle, HResult rendered) {
    if (rendered == platform::S_Ok || rendered == S_NoPreviewPin) {
        setCaption(FPreviewText);
        FCaptionState = 1;
        FReady = true;
    } else {
        failBuild();
        FReady = FFileMode;  // a file without playable video still plays its sound
    }
    FVideoWindow->setWindowPosition(0, 0, width(), height());
    FVideoWindow->setOwner(this);
    FVideoWindow->setWindowStyle(windowStyle);
    FVideoWindow->setMessageDrain(this);
}

// A build that cannot show a picture: the failure caption, and nothing to run or record.
void TDirectShow::failBuild() {
    setCaption("Graph render fail");
    FCaptionState = 2;
    FReady = false;
}

bool TDirectShow::applyCaptureFormat() {
    StreamConfig config;
    if (platform::failed(StreamConfig::find(FVideoSource, config))) {
        return true;  // no stream configuration: the camera keeps its own format
    }
    return setCameraFormat(config);
}

// Capability 0 is the template; its format block is refilled from FCaptureFormat.
bool TDirectShow::setCameraFormat(StreamConfig& config) {
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

bool TDirectShow::ensureTransFilter(Filter& element) {
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
void TDirectShow::configureTransFilter(bool record) {
    if (!ensureTransFilter(FTransFilter)) {
        return;
    }
    filter::MyTransFilter* tf = TransFilter();
    leaveOldGraph(FTransFilter);
    tf->setOwner(this);
    tf->setAddTime(record && AddTimeStr);
    tf->setShowDate(record && ShowDate);
    tf->setStillByFilter(StillByTransFtr);
    tf->ShowStreamDebug(ShowStreamDebug);
    FGraph->addFilter(FTransFilter, "My TransFilter");
    const platform::BitmapInfoHeader& bi = FCaptureFormat.bmiHeader;
    if (bi.biWidth != 0 && bi.biHeight != 0) {
        tf->setRequestedSize(bi.biWidth, bi.biHeight);
    } else {
        tf->setRequestedSize(kDefaultFrameWidth, kDefaultFrameHeight);
    }
}

HResult TDirectShow::RenderPreview() {
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

Pin TDirectShow::GetPin(const Filter& filter, PinDirection direction) {
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

HResult TDirectShow::AddFilterByClsid(const std::shared_ptr<FilterGraph>& graph,
                                      const std::string& name, const char* factory, Filter& out) {
    out = Filter();
    const HResult hr = Filter::create(factory, out);
    if (platform::failed(hr)) {
        return hr;
    }
    return graph ? graph->addFilter(out, name) : platform::E_Pointer;
}

HResult TDirectShow::FiltersConnect(const Filter& up, const Filter& down, PinCategory category,
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
