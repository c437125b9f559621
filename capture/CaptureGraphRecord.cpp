// CaptureGraph: the recording branches of a build (AVI, Windows Media, WAV), the stream hold
// and start, recording start and stop, the elapsed-time feed and file-mode positions.
//
// Everything here runs on the GUI thread; builds run with the graph stopped. The stream
// controls and the file writer are finished (EOS through the branch, the file completed)
// by TearDownGraph before the graph stops.
#include "CaptureGraph.h"

#include <filesystem>

#include <glib.h>

#include "filter/FilterTypes.h"
#include "filter/MyTransFilter.h"
#include "platform/UserDirs.h"
#include "platform/media/AsfWriter.h"
#include "platform/media/EncoderTimestampFix.h"
#include "platform/media/FileWriter.h"
#include "platform/media/FrameSlotFiller.h"
#include "platform/media/StreamControl.h"
#include "platform/media/WmProfile.h"

using platform::HResult;
using namespace platform::media;

namespace {

constexpr int32_t kAudioBufferCount = 512;
constexpr size_t kFileNameChars = 259;  // FFileName holds 260 wide characters with the NUL

// The libav video encoders need their timestamps put right before a multiplexer sees them.
void fixEncoderTimestamps(const Filter& encoder) {
    if (encoder && EncoderTimestampFix::needed(encoder.element())) {
        EncoderTimestampFix::install(encoder.element());
    }
}

// Profiles are read relative to the current directory; an installed program that is not
// started from its own folder finds them in the data folders (XDG_DATA_DIRS, e.g.
// /usr/share/tarnwick/prxs).
std::string profilePath(const std::string& relative) {
    std::error_code ec;
    if (std::filesystem::exists(relative, ec)) {
        return relative;
    }
    const std::string installed = platform::locateDataFile("tarnwick/" + relative);
    return installed.empty() ? relative : installed;
}

// UTF-16 length of a UTF-8 path (the stored name is bounded in wide characters). A byte that
// starts no complete sequence counts as one replacement character.
size_t wideLength(const std::string& s) {
    gchar* valid = g_utf8_make_valid(s.data(), static_cast<gssize>(s.size()));
    glong units = 0;
    g_free(g_utf8_to_utf16(valid, -1, nullptr, &units, nullptr));
    g_free(valid);
    return static_cast<size_t>(units);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Stream control

std::shared_ptr<StreamControl> CaptureGraph::GetStreamControl(const Filter& filter,
                                                              MajorType type) {
    if (!filter) {
        return nullptr;
    }
    for (Pin& pin : filter.pins()) {
        if (pin.direction() == PinDirection::Output && pin.majorType() == type) {
            std::shared_ptr<StreamControl> control;
            StreamControl::create(pin, control);
            return control;
        }
    }
    return nullptr;
}

void CaptureGraph::ControlStream(const int64_t* start, const int64_t* stop, uint32_t startCookie,
                                 uint32_t stopCookie) {
    for (const auto& control : {FVideoStreamControl, FAudioStreamControl}) {
        if (control) {
            control->startAt(start, startCookie);
            control->stopAt(stop, false, stopCookie);
        }
    }
}

// The audio source's buffering, as a count of its periods; true when it cannot take it.
bool CaptureGraph::SetAudioBuffer(int32_t count) {
    if (!FAudioSource || count <= 0) {
        return true;
    }
    GstElement* source = FAudioSource.element();
    GstElement* audio = nullptr;
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "latency-time") != nullptr) {
        audio = GST_ELEMENT(gst_object_ref(source));
    } else if (GST_IS_BIN(source)) {
        GstIterator* it = gst_bin_iterate_recurse(GST_BIN(source));
        GValue item = G_VALUE_INIT;
        while (audio == nullptr && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            auto* e = GST_ELEMENT(g_value_get_object(&item));
            if (g_object_class_find_property(G_OBJECT_GET_CLASS(e), "latency-time") != nullptr &&
                g_object_class_find_property(G_OBJECT_GET_CLASS(e), "buffer-time") != nullptr) {
                audio = GST_ELEMENT(gst_object_ref(e));
            }
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
    }
    if (audio == nullptr) {
        return true;
    }
    gint64 latency = 0;
    g_object_get(audio, "latency-time", &latency, nullptr);
    if (latency > 0) {
        g_object_set(audio, "buffer-time", latency * count, nullptr);
    }
    gst_object_unref(audio);
    return latency <= 0;
}

// ---------------------------------------------------------------------------------------------
// Recording branches

void CaptureGraph::RenderAVI(bool audio) {
    Filter mux;
    FileWriter::setOutputFileName(FGraph, OutputSubtype::Avi, FFileName, mux, FFileWriter);
    // A camera that sends fewer frames than its rate says (dim light) would make the clip play
    // fast: the slots it left empty reach the multiplexer as empty frames.
    Filter filler;
    const bool fill = platform::succeeded(FrameSlotFiller::create(filler)) &&
                      platform::succeeded(FGraph->addFilter(filler, "Frame Slots"));
    const Filter& slots = fill ? filler : mux;  // where the recorded video goes
    // The filler takes any kind of stream; the multiplexer's video input only video.
    const MajorType into = fill ? MajorType::Any : MajorType::Video;
    Filter compressor;
    GetCompressor(compressor, 0);
    if (FCaptureFormat.bmiHeader.biCompression == platform::kFourCC_MJPG) {
        // The camera's JPEG frames go to the file as they are; the stamp and the stills live on
        // the decoded preview branch.
        FiltersConnect(FVideoSource, FSmartTee, PinCategory::Capture, MajorType::Any);
        FiltersConnect(FSmartTee, slots, PinCategory::Capture, into);
        FVideoStreamControl = GetStreamControl(FSmartTee, MajorType::Video);
        FiltersConnect(FSmartTee, FMjpegDecoder, PinCategory::Preview, MajorType::Any);
        FiltersConnect(FMjpegDecoder, FColorConverter, PinCategory::Preview, MajorType::Any);
        FiltersConnect(FColorConverter, FTransFilter, PinCategory::Preview, MajorType::Any);
        FiltersConnect(FTransFilter, FVideoRenderer, PinCategory::Preview, MajorType::Any);
    } else {
        FiltersConnect(FVideoSource, FTransFilter, PinCategory::Capture, MajorType::Any);
        FiltersConnect(FTransFilter, FSmartTee, PinCategory::Capture, MajorType::Any);
        if (compressor && platform::succeeded(FGraph->addFilter(compressor, "Video Compressor"))) {
            fixEncoderTimestamps(compressor);
            FiltersConnect(FSmartTee, compressor, PinCategory::Capture, MajorType::Any);
            FiltersConnect(compressor, slots, PinCategory::Capture, into);
        } else {
            FiltersConnect(FSmartTee, slots, PinCategory::Capture, into);
        }
        FVideoStreamControl = GetStreamControl(FSmartTee, MajorType::Video);
        FiltersConnect(FSmartTee, FVideoRenderer, PinCategory::Preview, MajorType::Any);
    }
    if (fill) {
        FiltersConnect(filler, mux, PinCategory::Capture, MajorType::Video);
    }
    if (audio) {
        connectRecordedAudio(mux, "Audio Compressor");
        // Capture interleaving: the multiplexer writes the streams as they arrive, which is
        // what avimux always does.
    }
}

void CaptureGraph::connectRecordedAudio(const Filter& sink, const char* compressorName) {
    Filter compressor;
    GetCompressor(compressor, 1);
    if (compressor && platform::succeeded(FGraph->addFilter(compressor, compressorName))) {
        FiltersConnect(FAudioSource, compressor, PinCategory::Capture, MajorType::Audio);
        FiltersConnect(compressor, sink, PinCategory::Capture, MajorType::Audio);
    } else {
        FiltersConnect(FAudioSource, sink, PinCategory::Capture, MajorType::Audio);
    }
    FAudioStreamControl = GetStreamControl(FAudioSource, MajorType::Audio);
}

void CaptureGraph::RenderWM(bool video, bool audio, bool preview) {
    Filter writer;
    FileWriter::setOutputFileName(FGraph, OutputSubtype::Asf, FFileName, writer, FFileWriter);
    const platform::BitmapInfoHeader& bi = FCaptureFormat.bmiHeader;
    FProfileFile = WmProfile::fileName(video, audio, FOptions.HighQualityVideo,
                                       FOptions.HighQualityAudio, bi.biWidth, bi.biHeight);
    std::u16string text;
    if (writer && WmProfile::readFile(profilePath(FProfileFile), text)) {
        WmProfile profile;
        FPinConnectResult = WmProfile::loadProfileByData(text, profile);
        if (platform::succeeded(FPinConnectResult)) {
            AsfWriter::configure(writer, profile);
        }
    }
    AsfWriter::setIndexMode(writer, true);
    // A live source and a sync tolerance need no setting here: the encoders take the
    // timestamps as the stream control rebased them.
    if (video) {
        FiltersConnect(FVideoSource, FTransFilter, PinCategory::Capture, MajorType::Any);
        FiltersConnect(FTransFilter, FSmartTee, PinCategory::Capture, MajorType::Any);
        // Only when the frame filter could not take the camera does the tee take it directly.
        FiltersConnect(FVideoSource, FSmartTee, PinCategory::Capture, MajorType::Any);
        FiltersConnect(FSmartTee, writer, PinCategory::Capture, MajorType::Video);
        FVideoStreamControl = GetStreamControl(FSmartTee, MajorType::Video);
        FiltersConnect(FSmartTee, FVideoRenderer, PinCategory::Preview, MajorType::Any);
    } else if (preview) {
        RenderPreview();
    }
    if (audio) {
        FiltersConnect(FAudioSource, writer, PinCategory::Capture, MajorType::Audio);
        FAudioStreamControl = GetStreamControl(FAudioSource, MajorType::Audio);
    }
    // An input of the profile that nothing feeds would keep the file from completing.
    AsfWriter::removeUnconnectedInputs(writer);
}

void CaptureGraph::RenderAudioAVI(bool preview) {
    Filter mux;
    FileWriter::setOutputFileName(FGraph, OutputSubtype::Avi, FFileName, mux, FFileWriter);
    if (preview) {
        RenderPreview();
    }
    connectRecordedAudio(mux, "AudioCompressor");
}

void CaptureGraph::RenderWAV(bool preview) {
    Filter wav;
    if (platform::failed(AddFilterByClsid(FGraph, "WavDest", kWavWriterFactory, wav))) {
        if (wav && FGraph->contains(wav)) {
            FGraph->removeFilter(wav);
        }
        RenderAudioAVI(preview);
        return;
    }
    if (preview) {
        RenderPreview();
    }
    FileWriter::create(FGraph, "File Writer", FFileName, FFileWriter);
    if (FFileWriter) {
        FiltersConnect(FAudioSource, wav, PinCategory::Capture, MajorType::Audio);
        FiltersConnect(wav, FFileWriter->filter(), PinCategory::Capture, MajorType::Any);
    }
    SetAudioBuffer(kAudioBufferCount);
    FAudioStreamControl = GetStreamControl(FAudioSource, MajorType::Audio);
}

// Ends the recorded streams and completes the file while the graph still runs. A paused
// graph runs again for it: a paused file sink would hold the end back.
void CaptureGraph::finishRecording() {
    if (!FFileWriter || !FGraph) {
        return;
    }
    if (FGraph->currentState() != GST_STATE_PLAYING && FGraph->currentState() != GST_STATE_NULL) {
        FGraph->run();
    }
    if (FGraph->currentState() == GST_STATE_PLAYING) {
        FFileWriter->finish({FVideoStreamControl, FAudioStreamControl});
    }
}

// ---------------------------------------------------------------------------------------------
// Recording start and stop

bool CaptureGraph::StartRecord(const std::string& path) {
    if (wideLength(path) > kFileNameChars) {
        return false;  // a shortened name would write some other file
    }
    FFileName = path;
    FRecordingWroteNothing = false;
    return StartRecord();
}

bool CaptureGraph::StartRecord() {
    if (FFileMode) {
        InitRunFile(FSourceFile, true);
    } else {
        InitRunCapture(FOptions.VID, FOptions.PID, true);
    }
    return true;
}

void CaptureGraph::StopRecord() {
    if (!FDeviceEnable || !FInRecord) {
        return;
    }
    if (FFileMode) {
        InitRunFile(FSourceFile, false);
    } else {
        InitRunCapture(FOptions.VID, FOptions.PID, false);
    }
}

void CaptureGraph::StartCapture() {
    if (!FReady) {
        return;  // nothing was built to write to: no recording, no elapsed time
    }
    if (FInRecord) {
        const int64_t never = StreamControl::kMaxTime;
        ControlStream(nullptr, &never, 0, 0);
    }
    FCaptureStarted = true;
}

// Every 300 ms: the elapsed time for the stamp, once capture runs and frames flow.
void CaptureGraph::FilterTimerTimer() {
    if (!FCaptureStarted) {
        return;
    }
    // The branded time stamp is drawn by the preview branch's filter.
    for (filter::MyTransFilter* tf : {TransFilter(), PrvTransFilter()}) {
        if (tf != nullptr && tf->streaming()) {
            tf->updateElapsed(filter::systemClock().tickCountMs());
        }
    }
}

// ---------------------------------------------------------------------------------------------
// File-mode positions (100 ns units)

int64_t CaptureGraph::GetMediaPos() {
    int64_t pos = 0;
    if (!FFileMode || !FGraph || platform::failed(FGraph->getCurrentPosition(pos))) {
        return 0;
    }
    return pos;
}

bool CaptureGraph::SetMediaPos(int64_t position) {
    if (!FFileMode || !FGraph) {
        return false;
    }
    return FGraph->setPositions(position) == platform::S_Ok;
}

int64_t CaptureGraph::GetMediaLength() {
    int64_t length = 0;
    if (!FFileMode || !FGraph || platform::failed(FGraph->getStopPosition(length))) {
        return 0;
    }
    return length;
}
