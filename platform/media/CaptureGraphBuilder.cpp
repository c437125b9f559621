// CaptureGraphBuilder: pin search.
#include "CaptureGraphBuilder.h"

#include <string>

#include "SmartTee.h"
#include "VideoRenderer.h"

namespace platform::media {
namespace {

bool isSmartTee(const Filter& f) {
    Pin preview;
    return f &&
           succeeded(CaptureGraphBuilder::findPin(f, PinDirection::Output, PinCategory::Preview,
                                                  MajorType::Any, false, 0, preview));
}

// The source's capture output: its capture pin, else its first output of the media kind that
// carries no category (a camera's only output is its capture pin).
Pin captureOutput(const Filter& source, MajorType type) {
    Pin out;
    if (succeeded(CaptureGraphBuilder::findPin(source, PinDirection::Output, PinCategory::Capture,
                                               type, false, 0, out))) {
        return out;
    }
    for (Pin& pin : source.pins()) {
        if (pin.direction() == PinDirection::Output && pin.category() == PinCategory::None &&
            (type == MajorType::Any || pin.majorType() == type)) {
            return pin;
        }
    }
    return {};
}

}  // namespace

HResult CaptureGraphBuilder::renderStream(PinCategory category, MajorType type,
                                          const Filter& source, const Filter& intermediate,
                                          const Filter& sink) {
    if (!graph_ || !source) {
        return E_Pointer;
    }
    HResult result = S_Ok;
    Pin out;
    if (failed(findPin(source, PinDirection::Output, category, type, true, 0, out))) {
        Pin capture = captureOutput(source, type);
        if (!capture) {
            return E_Fail;
        }
        if (!capture.isConnected()) {
            if (category == PinCategory::Capture) {
                out = capture;
            } else {
                Filter tee;
                Pin teeIn;
                if (failed(SmartTee::create(tee)) || failed(graph_->addFilter(tee, "Smart Tee")) ||
                    failed(findPin(tee, PinDirection::Input, PinCategory::None, MajorType::Any,
                                   true, 0, teeIn)) ||
                    failed(graph_->connect(capture, teeIn))) {
                    return E_CannotRender;
                }
                findPin(tee, PinDirection::Output, PinCategory::Preview, MajorType::Any, true, 0,
                        out);
                result = S_NoPreviewPin;
            }
        } else {
            const Filter tee = capture.connectedTo().filter();
            if (!isSmartTee(tee) || failed(findPin(tee, PinDirection::Output, category,
                                                   MajorType::Any, true, 0, out))) {
                return E_Fail;
            }
            result = category == PinCategory::Preview ? S_NoPreviewPin : S_Ok;
        }
    }
    Pin in;
    if (intermediate) {
        Pin midOut;
        if (failed(findPin(intermediate, PinDirection::Input, PinCategory::None, MajorType::Any,
                           true, 0, in)) ||
            failed(graph_->connect(out, in)) ||
            failed(findPin(intermediate, PinDirection::Output, PinCategory::None, MajorType::Any,
                           true, 0, midOut))) {
            return E_CannotRender;
        }
        out = midOut;
    }
    Filter target = sink;
    if (!target) {
        target = VideoRenderer::create();
        if (!target || failed(graph_->addFilter(target, "Video Renderer"))) {
            return E_CannotRender;
        }
    }
    if (failed(findPin(target, PinDirection::Input, PinCategory::None, type, true, 0, in)) &&
        failed(
            findPin(target, PinDirection::Input, PinCategory::None, MajorType::Any, true, 0, in))) {
        return E_CannotRender;
    }
    return succeeded(graph_->connect(out, in)) ? result : E_CannotRender;
}

HResult CaptureGraphBuilder::setFiltergraph(const std::shared_ptr<FilterGraph>& graph) {
    if (!graph) {
        return E_Pointer;
    }
    graph_ = graph;
    return S_Ok;
}

HResult CaptureGraphBuilder::findPin(const Filter& filter, PinDirection direction,
                                     PinCategory category, MajorType type, bool unconnectedOnly,
                                     int index, Pin& out) {
    out = Pin();
    if (!filter) {
        return E_Pointer;
    }
    int seen = 0;
    for (Pin& pin : filter.pins()) {
        if (pin.direction() != direction) {
            continue;
        }
        if (category != PinCategory::None && pin.category() != category) {
            continue;
        }
        if (type != MajorType::Any && pin.majorType() != type) {
            continue;
        }
        if (unconnectedOnly && pin.isConnected()) {
            continue;
        }
        if (seen++ == index) {
            out = pin;
            return S_Ok;
        }
    }
    return E_Fail;
}

HResult CaptureGraphBuilder::renderStream(const Filter& source, const Filter& sink) {
    if (!graph_ || !source) {
        return E_Pointer;
    }
    bool anyConnected = false;
    bool rendered = false;
    int made = 0;
    for (Pin& out : source.pins()) {
        if (out.direction() != PinDirection::Output) {
            continue;
        }
        if (out.isConnected()) {
            anyConnected = true;
            continue;
        }
        if (sink) {
            Pin in;
            if (succeeded(findPin(sink, PinDirection::Input, PinCategory::None, MajorType::Any,
                                  true, 0, in)) &&
                succeeded(graph_->connect(out, in))) {
                return S_Ok;
            }
            continue;
        }
        if (out.majorType() != MajorType::Video) {
            continue;
        }
        Filter renderer = VideoRenderer::create();
        const std::string name = "Video Renderer " + std::to_string(++made);
        Pin in;
        if (renderer && succeeded(graph_->addFilter(renderer, name)) &&
            succeeded(findPin(renderer, PinDirection::Input, PinCategory::None, MajorType::Any,
                              true, 0, in)) &&
            succeeded(graph_->connect(out, in))) {
            rendered = true;
        } else if (renderer) {
            graph_->removeFilter(renderer);
        }
    }
    if (sink) {
        return E_CannotRender;
    }
    return (rendered || anyConnected) ? S_Ok : E_CannotRender;
}

}  // namespace platform::media
