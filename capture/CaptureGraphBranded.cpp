// CaptureGraph, branded build: one operation with the recording branch inline, the preview
// rendered by pin category through a second frame filter ("My PrvTransFilter") from which the
// stills come, and the renderer either the mixing renderer or the graph builder's default.
//
// GUI thread, graph stopped (NULL state), like the main build.
#include "CaptureGraph.h"

#include "capture/GraphBuildSupport.h"
#include "filter/MyTransFilter.h"
#include "filter/TransFilterElement.h"
#include "platform/media/AsfWriter.h"
#include "platform/media/EncoderTimestampFix.h"
#include "platform/media/FileWriter.h"

using platform::HResult;
using namespace platform::media;

namespace {

constexpr uint32_t kBrandedWindowStyle = 0x42000000;  // WS_CHILD | WS_CLIPCHILDREN
constexpr int32_t kDefaultFrameWidth = 640;
constexpr int32_t kDefaultFrameHeight = 480;
constexpr int64_t kMaxReferenceTime = INT64_MAX;

}  // namespace

void CaptureGraph::InitRunBranded(bool record) {
    FInRecord = record;
    FCaptureStarted = false;
    FPreviewRanderResult = platform::S_Ok;  // a build without a preview branch keeps no old failure
    const capture_detail::FpuGuard fpu;

    notifyHost();
    FCaptureBuilder->setFiltergraph(FGraph);
    FGraph->addFilter(FVideoSource, "Source Capture");  // already there in file mode
    if (FVideoRenderer) {
        FGraph->addFilter(FVideoRenderer, "VMR");
    }
    if (FCaptureFormat.bmiHeader.biCompression != platform::kFourCC_None && !applyCaptureFormat()) {
        failBuild();  // the camera refused: nothing is connected, so nothing may run
        return;
    }
    // The preview goes first: while recording it takes the tee it needs on the camera's capture
    // output, and the recording branch then takes the tee's capture output.
    if (FOptions.CaptureVideo && !FFileMode) {
        renderBrandedPreview(record);
    }
    if (record) {
        renderBrandedRecording();
        const int64_t never = kMaxReferenceTime;
        ControlStream(&never, nullptr, 0, 0);  // nothing is written until StartCapture
    }
    if (FFileMode) {
        FAudioRanderResult = FCaptureBuilder->renderStream(FVideoSource, FAudioRenderer);
        FPreviewRanderResult = FCaptureBuilder->renderStream(FVideoSource, Filter());
    }
    if (FOptions.OverlayDisable) {
        (void)FGraph->findFilterByName("Video Renderer");  // draws without overlay already
    }
    finishBuild(kBrandedWindowStyle, FPreviewRanderResult);
}

void CaptureGraph::renderBrandedPreview(bool record) {
    if (!brandedStampOrStill()) {
        FPreviewRanderResult = FCaptureBuilder->renderStream(
            PinCategory::Preview, MajorType::Video, FVideoSource, Filter(), FVideoRenderer);
        return;
    }
    // Stamps only into a recording's preview; stills and the debug lines only without one.
    if (!ensureTransFilter(FPrvTransFilter)) {
        FPreviewRanderResult = E_CannotRender;
        return;
    }
    filter::MyTransFilter* tf = PrvTransFilter();
    capture_detail::leaveOldGraph(FPrvTransFilter);
    tf->setOwner(this);
    tf->setAddTime(record && FOptions.AddTimeStr);
    tf->setShowDate(record && FOptions.ShowDate);
    tf->setStillByFilter(!record && FOptions.StillByTransFtr);
    tf->ShowStreamDebug(!record && FOptions.ShowStreamDebug);
    const platform::BitmapInfoHeader& bi = FCaptureFormat.bmiHeader;
    if (bi.biWidth != 0 && bi.biHeight != 0) {
        tf->setRequestedSize(bi.biWidth, bi.biHeight);
    } else {
        tf->setRequestedSize(kDefaultFrameWidth, kDefaultFrameHeight);
    }
    FGraph->addFilter(FPrvTransFilter, "My PrvTransFilter");
    FPreviewRanderResult = FCaptureBuilder->renderStream(
        record ? PinCategory::Preview : PinCategory::Capture, MajorType::Video, FVideoSource,
        FPrvTransFilter, FVideoRenderer);
}

// Windows Media when the compressor is "WMV" (the writer's default profile), else AVI; sound
// alone with "No Compress" goes to a WAV file. The microphone joins the graph only here.
void CaptureGraph::renderBrandedRecording() {
    FGraph->addFilter(FAudioSource, "Audio Device");  // refused when there is none
    if (!FOptions.CaptureVideo) {
        if (FOptions.CaptureAudio && FAudioSource) {
            if (FOptions.AudioCompressorName == "No Compress") {
                RenderWAV(false);
            } else {
                RenderAudioAVI(false);
            }
        }
        return;
    }
    const bool asf = FOptions.CompressorName == "WMV";
    Filter writer;
    FileWriter::setOutputFileName(FGraph, asf ? OutputSubtype::Asf : OutputSubtype::Avi, FFileName,
                                  writer, FFileWriter);
    if (asf) {
        AsfWriter::setIndexMode(writer, true);
    }
    // The capture branch's filter: date and debug as set; time stamp and stills stay on the
    // preview branch.
    if (ensureTransFilter(FTransFilter)) {
        filter::MyTransFilter* tf = TransFilter();
        capture_detail::leaveOldGraph(FTransFilter);
        tf->setOwner(this);
        tf->setAddTime(false);
        tf->setShowDate(FOptions.ShowDate);
        tf->setStillByFilter(false);
        tf->ShowStreamDebug(FOptions.ShowStreamDebug);
        const platform::BitmapInfoHeader& bi = FCaptureFormat.bmiHeader;
        tf->setRequestedSize(
            bi.biWidth != 0 && bi.biHeight != 0 ? bi.biWidth : kDefaultFrameWidth,
            bi.biWidth != 0 && bi.biHeight != 0 ? bi.biHeight : kDefaultFrameHeight);
        FGraph->addFilter(FTransFilter, "My TransFilter");
    }
    Filter compressor;
    if (!asf) {
        GetCompressor(compressor, 0);
        if (compressor && platform::failed(FGraph->addFilter(compressor, "Compressor"))) {
            compressor = Filter();
        }
        if (compressor && EncoderTimestampFix::needed(compressor.element())) {
            EncoderTimestampFix::install(compressor.element());
        }
    }
    FCaptureRanderResult =
        FCaptureBuilder->renderStream(PinCategory::Capture, MajorType::Video, FVideoSource,
                                      FTransFilter, compressor ? compressor : writer);
    if (compressor) {
        FiltersConnect(compressor, writer, PinCategory::Capture, MajorType::Video);
    }
    FVideoStreamControl = GetStreamControl(FTransFilter, MajorType::Video);
    if (FOptions.CaptureAudio && FAudioSource) {
        connectRecordedAudio(writer, "AudioCompressor");
    }
    if (asf) {
        AsfWriter::removeUnconnectedInputs(writer);
    }
}
