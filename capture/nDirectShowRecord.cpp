// TDirectShow: the recording branches of a build. Until they are written, a branch that would
// record keeps the graph runnable: the plain preview where the branch shows one, and the outputs
// it would record end in discarding sinks.
#include "nDirectShow.h"

using namespace platform::media;

void TDirectShow::RenderWM(bool video, bool, bool preview) {
    if (video || preview) {
        RenderPreview();
    }
    holdUnrecordedOutputs();
}

void TDirectShow::RenderAVI(bool) {
    RenderPreview();
    holdUnrecordedOutputs();
}

void TDirectShow::RenderAudioAVI(bool preview) {
    if (preview) {
        RenderPreview();
    }
    holdUnrecordedOutputs();
}

void TDirectShow::RenderWAV(bool preview) {
    if (preview) {
        RenderPreview();
    }
    holdUnrecordedOutputs();
}

// No stream controls exist before the recording branches do.
void TDirectShow::ControlStream(const int64_t*, const int64_t*, uint32_t, uint32_t) {}

// A live source whose output leads nowhere stops the whole graph; each free output of the camera
// and the microphone ends in a sink that discards.
void TDirectShow::holdUnrecordedOutputs() {
    for (const Filter* source : {&FVideoSource, &FAudioSource}) {
        if (!*source || !FGraph->contains(*source)) {
            continue;
        }
        Pin out;
        if (platform::failed(CaptureGraphBuilder::findPin(
                *source, PinDirection::Output, PinCategory::None, MajorType::Any, true, 0, out))) {
            continue;
        }
        Filter discard;
        if (platform::failed(Filter::create("fakesink", discard))) {
            continue;
        }
        g_object_set(discard.element(), "async", FALSE, "sync", FALSE, nullptr);
        const std::string name = source == &FVideoSource ? "Video Discard" : "Audio Discard";
        Pin in;
        CaptureGraphBuilder::findPin(discard, PinDirection::Input, PinCategory::None,
                                     MajorType::Any, true, 0, in);
        if (platform::succeeded(FGraph->addFilter(discard, name)) && in) {
            FGraph->connect(out, in);
        }
    }
}
