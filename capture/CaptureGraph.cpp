// CaptureGraph: construction, graph objects, tear-down, running, caption states and graph events.
#include "CaptureGraph.h"

#include "filter/MyTransFilter.h"
#include "platform/media/SmartTee.h"
#include "platform/media/StreamControl.h"
#include "platform/media/VideoRenderer.h"

using platform::HResult;
using namespace platform::media;

namespace {

// OpenVideoMixingRenderer9 when no mixing renderer was asked for (VMR_VER not 9).
constexpr HResult kNoRendererAsked = static_cast<HResult>(0x80000000u);

}  // namespace

CaptureGraph::CaptureGraph(CaptureHost& host, CaptureVariant variant)
    : host_(&host), FVariant(variant) {
    FCaptureFormat = platform::VideoInfoHeader{};
    FCaptureFormat.bmiHeader.biCompression = platform::kFourCC_None;
    FFileName = "c:\\temp.avi";
}

// The host may be half gone already: the graph is released without telling it.
CaptureGraph::~CaptureGraph() {
    host_ = nullptr;
    CloseInterfaces();
    // The stopped filter outlives nothing of ours: it goes with FTransFilter.
    for (filter::MyTransFilter* tf : {TransFilter(), PrvTransFilter()}) {
        if (tf != nullptr) {
            tf->setOwner(nullptr);
        }
    }
}

void CaptureGraph::FWriteSupportDev(const std::vector<std::string>& list) {
    if (&list == &FSupportDevs) {
        return;
    }
    FSupportDevs = list;
}

void CaptureGraph::setCaption(CaptionText text) {
    FCaptionState = text == CaptionText::NoPreview ? 0 : text == CaptionText::Preview ? 1 : 2;
    if (CaptureHost* host = host_.load()) {
        host->showCaption(text);
    }
}

// ---------------------------------------------------------------------------------------------
// Graph objects

HResult CaptureGraph::GetInterfaces() {
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
    } else {
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
    }
    FVideoWindow = FGraph->videoWindow();
    if (CaptureHost* host = host_.load()) {
        host->attachVideoWindow(FVideoWindow);
    }
    return platform::S_Ok;
}

void CaptureGraph::TearDownGraph() {
    // A recording's file is completed while its streams still run.
    finishRecording();
    if (FGraph) {
        FGraph->stop();
    }
    if (FFileWriter) {
        // Without a stream control the branch was never held, so frames went in.
        const auto& counted = FVideoStreamControl ? FVideoStreamControl : FAudioStreamControl;
        FRecordingWroteNothing = counted && counted->buffersPassed() == 0;
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
        FGraph->setNotify(nullptr);
    }
    if (FVideoWindow) {
        FVideoWindow->setVisible(false);
        FVideoWindow->setOwner(nullptr);
    }
    if (FVideoSource) {
        NukeDownstream(FVideoSource, FGraph);
    }
}

void CaptureGraph::NukeDownstream(const Filter& filter, const std::shared_ptr<FilterGraph>& graph) {
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

void CaptureGraph::CloseInterfaces() {
    TearDownGraph();
    if (CaptureHost* host = host_.load()) {
        host->attachVideoWindow(nullptr);
    }
    FVideoSource = Filter();
    FVideoSourcePlace = {};
    FVideoWindow.reset();
    FVideoRenderer = Filter();
    FGraph.reset();
    FAudioSource = Filter();
    FSmartTee = Filter();
    FAudioRenderer = Filter();
    FCaptureBuilder.reset();
    FMjpegDecoder = Filter();
    FColorConverter = Filter();
}

// ---------------------------------------------------------------------------------------------
// Running

void CaptureGraph::Run() {
    // A failed build holds no working chain: running it would only pretend to preview.
    if (!FDeviceEnable || !FReady) {
        return;
    }
    if (FVideoWindow) {
        FVideoWindow->setVisible(true);
    }
    // Waits for PLAYING or the first error: a camera held by another program fails here.
    const HResult hr = FGraph ? FGraph->run() : platform::E_Pointer;
    FRunGraphResult = hr;
    if (platform::failed(hr)) {
        Close();
        setCaption(CaptionText::Locked);
        FReady = false;
    }
}

void CaptureGraph::Stop() {
    if (!FDeviceEnable) {
        return;
    }
    if (FGraph) {
        FGraph->pause();
    }
    if (FVideoWindow) {
        FVideoWindow->setVisible(false);
    }
}

void CaptureGraph::Close() {
    CloseInterfaces();
    FDeviceEnable = false;
    FReady = false;
    FInRecord = false;
    setCaption(CaptionText::NoPreview);
}

// ---------------------------------------------------------------------------------------------
// Graph events

void CaptureGraph::notifyHost() {
    // The bus thread calls this; the host is fixed while a graph notifies (TearDownGraph clears
    // the notification before the host can go).
    FGraph->setNotify([host = host_.load()] {
        if (host != nullptr) {
            host->graphNotify();
        }
    });
}

void CaptureGraph::HandleNotify() {
    if (!FGraph) {
        return;
    }
    const std::shared_ptr<FilterGraph> events = FGraph;
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
    CaptureHost* host = host_.load();
    if (aborted && host != nullptr) {
        if (abortResult == platform::E_DiskFull) {
            host->recordDiskFull();
        } else if (abortResult == platform::E_FileNotFound) {
            host->recordFileLimit();
        }
    }
    HandleGraphEvent();
}

HResult CaptureGraph::HandleGraphEvent() {
    if (!FGraph) {
        return platform::E_Pointer;
    }
    HResult hr = platform::S_Ok;
    GraphEvent ev;
    while (FGraph->getEvent(ev, 0) == platform::S_Ok) {
        hr = FGraph->freeEventParams(ev);
    }
    return hr;
}

void CaptureGraph::Motion() {
    if (CaptureHost* host = host_.load()) {
        host->motion();
    }
}
