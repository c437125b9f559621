// CaptureGraphBuilder: pin search.
#include "CaptureGraphBuilder.h"

#include <string>

#include "VideoRenderer.h"

namespace platform::media {

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
