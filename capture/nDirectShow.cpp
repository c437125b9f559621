// TDirectShow: construction, graph objects, tear-down, running, caption states, graph events,
// device discovery and the compressor catalogue.
#include "nDirectShow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>

#include "capture/VideoWidget.h"
#include "filter/MyTransFilter.h"
#include "platform/MessageBoxes.h"
#include "platform/Sleep.h"
#include "platform/TsanAnnotations.h"
#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/Moniker.h"
#include "platform/media/SmartTee.h"
#include "platform/media/VideoRenderer.h"

using platform::HResult;
using namespace platform::media;

namespace {

const char* const kDefaultRegsPath = "Software\\TWK_CM_SW\\Compressors";
// OpenVideoMixingRenderer9 when no mixing renderer was asked for (VMR_VER not 9).
constexpr HResult kNoRendererAsked = static_cast<HResult>(0x80000000u);

// Display names are read into a 512-byte buffer: keep at most 511 bytes.
std::string bounded(const std::string& s) {
    return s.substr(0, TDirectShow::kDisplayNameBytes);
}

std::string matchText(const std::string& vid, const std::string& pid) {
    return "vid_" + vid + "&pid_" + pid;
}

}  // namespace

TDirectShow::TDirectShow(QWidget* owner, platform::MessageBoxes* boxes, CaptureVariant variant)
    : QWidget(owner), FVariant(variant) {
    FPreviewText = "Preview";
    FNoPreviewText = "No Preview";
    FLockedText = "Locked by another application";
    setCaption(FNoPreviewText);
    FCaptureFormat = platform::VideoInfoHeader{};
    FCaptureFormat.bmiHeader.biCompression = platform::kFourCC_None;
    FFileName = "c:\\temp.avi";
    setAutoFillBackground(false);
    FVideoView = new VideoWidget(this);

    if (!MediaRuntime::initialise()) {
        FInitFailed = true;
        platform::QtMessageBoxes realBoxes;
        (boxes != nullptr ? *boxes : static_cast<platform::MessageBoxes&>(realBoxes))
            .show(nullptr, "CoInitialize Failed!", "Error", platform::MsgButtons::Ok);
        return;
    }
    FilterTimer.setInterval(kFilterTimerMs);
    connect(&FilterTimer, &QTimer::timeout, this, [this] { FilterTimerTimer(); });
    FilterTimer.start();
    FCaptureStarted = false;
    SetSupportCompressors();
}

// The panel's window going away releases the graph objects, as its destroy message would.
TDirectShow::~TDirectShow() {
    CloseInterfaces();
    // The stopped filter outlives nothing of ours: it goes with FTransFilter.
    for (filter::MyTransFilter* tf : {TransFilter(), PrvTransFilter()}) {
        if (tf != nullptr) {
            tf->setOwner(nullptr);
        }
    }
}

void TDirectShow::FWriteSupportDev(const std::vector<std::string>& list) {
    if (&list == &FSupportDevs) {
        return;
    }
    FSupportDevs = list;
}

void TDirectShow::SetCaptionStrings(const std::string& noPreview, const std::string& preview,
                                    const std::string& locked) {
    FNoPreviewText = noPreview;
    FPreviewText = preview;
    FLockedText = locked;
    switch (FCaptionState) {
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

// ---------------------------------------------------------------------------------------------
// Graph objects

HResult TDirectShow::GetInterfaces() {
    HResult hr = FilterGraph::create(FGraph);
    FOpenFilterGraphResult = hr;
    if (platform::failed(hr)) {
        return hr;
    }
    FCaptureBuilder = std::make_shared<CaptureGraphBuilder>();
    FOpenCaptureGraphBuilder2 = platform::S_Ok;
    if (branded()) {
        // The mixing renderer only when asked for; otherwise the graph builder supplies its
        // default renderer when the preview is rendered.
        FOpenVideoMixingRenderer9 = kNoRendererAsked;
        if (FVmrVer == 9) {
            FVideoRenderer = VideoRenderer::create();
            FOpenVideoMixingRenderer9 = FVideoRenderer ? platform::S_Ok : E_ClassNotRegistered;
        }
        if (FOpenVideoMixingRenderer9 < 0) {
            FVmrVer = 7;
            FVideoRenderer = Filter();
        }
        FMediaControl = FGraph;
        FVideoWindow = FGraph->videoWindow();
        FVideoView->attach(FVideoWindow);
        FMediaEvent = FGraph;
        return platform::S_Ok;
    }
    FVideoRenderer = VideoRenderer::create();  // a missing renderer is not fatal here
    hr = SmartTee::create(FSmartTee);
    if (platform::failed(hr)) {
        return hr;
    }
    if (FCaptureFormat.bmiHeader.biCompression == platform::kFourCC_MJPG) {
        hr = Filter::create("jpegdec", FMjpegDecoder);
        if (platform::failed(hr)) {
            return hr;
        }
        hr = Filter::create("videoconvert", FColorConverter);
        if (platform::failed(hr)) {
            return hr;
        }
    }
    FMediaControl = FGraph;
    FVideoWindow = FGraph->videoWindow();
    FVideoView->attach(FVideoWindow);
    FMediaEvent = FGraph;
    return platform::S_Ok;
}

void TDirectShow::TearDownGraph() {
    // A recording's file is completed while its streams still run.
    finishRecording();
    if (FMediaControl) {
        FMediaControl->stop();
    }
    FVideoStreamControl.reset();
    FAudioStreamControl.reset();
    FFileWriter.reset();
    if (FRotCookie != 0) {
        FilterGraph::removeFromRot(FRotCookie);
        FRotCookie = 0;
    }
    if (FGraph) {
        for (const char* name : {"My TransFilter", "My PrvTransFilter", "MJPEGDEC", "COLORCONV"}) {
            Filter f = FGraph->findFilterByName(name);
            if (f) {
                FGraph->removeFilter(f);
            }
        }
    }
    if (FMediaEvent) {
        FMediaEvent->setNotify(nullptr);
    }
    if (FVideoWindow) {
        FVideoWindow->setVisible(false);
        FVideoWindow->setOwner(nullptr);
    }
    if (FVideoSource) {
        NukeDownstream(FVideoSource, FGraph);
    }
}

void TDirectShow::NukeDownstream(const Filter& filter, const std::shared_ptr<FilterGraph>& graph) {
    if (!graph || !filter) {
        return;
    }
    for (Pin& pin : filter.pins()) {
        if (!pin.isConnected()) {
            continue;
        }
        Pin to = pin.connectedTo();
        Filter downstream = to.filter();
        if (!to || !downstream) {
            return;  // the peer's pin information cannot be had: the walk ends here
        }
        if (to.direction() == PinDirection::Input) {
            NukeDownstream(downstream, graph);
            graph->disconnect(to);
            graph->disconnect(pin);
            graph->removeFilter(downstream);
        }
    }
}

void TDirectShow::CloseInterfaces() {
    TearDownGraph();
    FVideoView->attach(nullptr);
    FVideoSource = Filter();
    FMediaControl.reset();
    FVideoWindow.reset();
    FVideoRenderer = Filter();
    FGraph.reset();
    FMediaEvent.reset();
    FAudioSource = Filter();
    FSmartTee = Filter();
    FAudioRenderer = Filter();
    FMediaSeeking.reset();
    FCaptureBuilder.reset();
    FMjpegDecoder = Filter();
    FColorConverter = Filter();
}

// ---------------------------------------------------------------------------------------------
// Running

void TDirectShow::Run() {
    // A failed build holds no working chain: running it would only pretend to preview.
    if (!FDeviceEnable || !FReady) {
        return;
    }
    if (FVideoWindow) {
        FVideoWindow->setVisible(true);
    }
    // Waits for PLAYING or the first error: a camera held by another program fails here.
    const HResult hr = FMediaControl ? FMediaControl->run() : platform::E_Pointer;
    FRunGraphResult = hr;
    if (platform::failed(hr)) {
        Close();
        setCaption(FLockedText);
        FCaptionState = 2;
        FReady = false;
    }
}

void TDirectShow::Stop() {
    if (!FDeviceEnable) {
        return;
    }
    if (FMediaControl) {
        FMediaControl->pause();
    }
    if (FVideoWindow) {
        FVideoWindow->setVisible(false);
    }
}

void TDirectShow::Close() {
    CloseInterfaces();
    FDeviceEnable = false;
    FReady = false;
    FInRecord = false;
    setCaption(FNoPreviewText);
    FCaptionState = 0;
}

// ---------------------------------------------------------------------------------------------
// Graph events

bool TDirectShow::event(QEvent* e) {
    platform::tsanAcquire(e);  // a graph notice comes from the posting thread
    if (!FInitFailed && static_cast<uint32_t>(e->type()) == WM_GRAPHNOTIFY) {
        return CompWinProc(WM_GRAPHNOTIFY);
    }
    return QWidget::event(e);
}

bool TDirectShow::CompWinProc(uint32_t message) {
    if (message == WM_DESTROY) {
        CloseInterfaces();
        return true;
    }
    if (message != WM_GRAPHNOTIFY) {
        return false;
    }
    if (FMediaEvent) {
        const std::shared_ptr<FilterGraph> events = FMediaEvent;
        bool aborted = false;
        HResult abortResult = platform::S_Ok;
        GraphEvent ev;
        while (events->getEvent(ev, 0) == platform::S_Ok) {
            if (ev.code == EC_ERRORABORT) {
                aborted = true;
                abortResult = static_cast<HResult>(ev.param1);  // only the last abort counts
            }
            events->freeEventParams(ev);
        }
        if (aborted) {
            if (abortResult == platform::E_DiskFull && OnRecordDiskFull) {
                OnRecordDiskFull(this, nullptr);
            } else if (abortResult == platform::E_FileNotFound && OnRecordFileLimit) {
                OnRecordFileLimit(this, nullptr);
            }
        }
        HandleGraphEvent();
    }
    return true;
}

HResult TDirectShow::HandleGraphEvent() {
    if (!FMediaEvent) {
        return platform::E_Pointer;
    }
    HResult hr = platform::S_Ok;
    GraphEvent ev;
    while (FMediaEvent->getEvent(ev, 0) == platform::S_Ok) {
        hr = FMediaEvent->freeEventParams(ev);
    }
    return hr;
}

void TDirectShow::Motion() {
    if (OnMotion) {
        OnMotion(this, nullptr);
    }
}

// ---------------------------------------------------------------------------------------------
// Devices

int32_t TDirectShow::GetDeviceList(const std::string& vid, const std::string& pid,
                                   std::vector<std::string>& list) {
    list.clear();
    std::vector<Moniker> devices;
    if (DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, devices) !=
        platform::S_Ok) {
        return 1;
    }
    const std::string match = matchText(vid, pid);
    for (const Moniker& m : devices) {
        const std::string display = bounded(m.displayName());
        std::string friendly;
        if (platform::failed(m.bindToStorage()) || platform::failed(m.readFriendlyName(friendly))) {
            continue;
        }
        if (vid.empty()) {
            list.push_back(friendly);
        }
        if (display.find(match) != std::string::npos) {
            list.push_back(friendly);
        }
    }
    return 1;
}

int32_t TDirectShow::GetAudioDeviceList(std::vector<std::string>& list) {
    std::vector<Moniker> devices;
    if (DeviceEnumerator::createClassEnumerator(DeviceCategory::AudioInput, devices) !=
        platform::S_Ok) {
        return 1;
    }
    for (const Moniker& m : devices) {
        std::string friendly;
        if (platform::succeeded(m.bindToStorage()) &&
            platform::succeeded(m.readFriendlyName(friendly))) {
            list.push_back(friendly);
        }
    }
    return 1;
}

int32_t TDirectShow::GetDeviceEnum(const std::string& vid, const std::string& pid) {
    std::vector<Moniker> devices;
    if (DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, devices) !=
        platform::S_Ok) {
        return 1;
    }
    FVideoSource = Filter();
    const std::string match = matchText(vid, pid);
    for (size_t i = 0; i < devices.size(); ++i) {
        const std::string display = bounded(devices[i].displayName());
        const bool candidate = static_cast<int64_t>(i) >= VideoDevice &&
                               (vid.empty() || display.find(match) != std::string::npos);
        if (!candidate) {
            continue;
        }
        Filter f;
        if (platform::failed(devices[i].bindToObject(f))) {
            continue;  // unplugged or refusing: the next device may do
        }
        FVideoSource = f;
        if (const size_t at = display.find("vid_"); at != std::string::npos) {
            VID = display.substr(at + 4, 4);
        }
        if (const size_t at = display.find("pid_"); at != std::string::npos) {
            PID = display.substr(at + 4, 4);
        }
        VideoDevice = static_cast<int32_t>(i);
        platform::sleepMs(kDeviceSettleMs);
        return 0;
    }
    return 1;
}

int32_t TDirectShow::GetAudioDevice(int32_t index, bool renderer) {
    std::vector<Moniker> devices;
    if (DeviceEnumerator::createClassEnumerator(
            renderer ? DeviceCategory::AudioOutput : DeviceCategory::AudioInput, devices) !=
        platform::S_Ok) {
        // The branded search leaves CaptureAudio alone when there is nothing to choose from.
        if (!branded()) {
            CaptureAudio = false;
        }
        return 1;
    }
    FAudioSource = Filter();
    int32_t result = 1;
    int32_t counter = 0;
    for (const Moniker& m : devices) {
        if (counter != index) {
            ++counter;
            continue;
        }
        // A device that does not bind keeps the count, so the next one is tried in its place.
        Filter f;
        if (platform::succeeded(m.bindToObject(f))) {
            (renderer ? FAudioRenderer : FAudioSource) = f;
            result = 0;
            break;
        }
    }
    if (!FAudioSource) {
        CaptureAudio = false;
        AudioDevice = 0;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Compressors

bool TDirectShow::SetSupportCompressors() {
    RegsPath = RegsPath.empty() ? std::string(kDefaultRegsPath) : RegsPath + "\\Compressors";
    FSupportCompressors.clear();
    FSupportCompressors.load(RegsPath);
    return true;
}

void TDirectShow::GetCompressor(Filter& out, int32_t kind) {
    out = Filter();
    std::vector<Moniker> devices;
    const DeviceCategory category =
        kind == 0 ? DeviceCategory::VideoCompressor : DeviceCategory::AudioCompressor;
    if (DeviceEnumerator::createClassEnumerator(category, devices) != platform::S_Ok) {
        return;
    }
    const std::string& wanted = kind == 0 ? CompressorName : AudioCompressorName;
    for (const Moniker& m : devices) {
        std::string friendly;
        if (platform::failed(m.readFriendlyName(friendly)) || friendly != wanted) {
            continue;
        }
        m.bindToObject(out);
        return;
    }
}

HResult TDirectShow::compressorList(int category, std::vector<std::string>& list) {
    list.clear();
    std::vector<Moniker> devices;
    const HResult hr = DeviceEnumerator::createClassEnumerator(
        category == 0 ? DeviceCategory::VideoCompressor : DeviceCategory::AudioCompressor, devices);
    if (platform::failed(hr)) {
        return hr;
    }
    for (const Moniker& m : devices) {
        std::string friendly;
        if (platform::failed(m.readFriendlyName(friendly)) || FSupportCompressors.hides(friendly)) {
            continue;
        }
        list.push_back(friendly);
    }
    return platform::S_Ok;
}

HResult TDirectShow::GetCompressorsList(std::vector<std::string>& list) {
    const HResult hr = compressorList(0, list);
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (*it == "Cinepak Codec by Radius") {
            list.erase(it);
            break;
        }
    }
    return hr;
}

HResult TDirectShow::GetAudioCompressorsList(std::vector<std::string>& list) {
    return compressorList(1, list);
}

// ---------------------------------------------------------------------------------------------
// Panel

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
