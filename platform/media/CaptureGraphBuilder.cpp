// CaptureGraphBuilder: pin search.
#include "CaptureGraphBuilder.h"

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

}  // namespace platform::media
