// The capture graph builder: pin searches by direction, category and media kind on a graph.
#pragma once

#include <memory>

#include "Filter.h"
#include "FilterGraph.h"
#include "MediaTypes.h"
#include "Pin.h"

namespace platform::media {

class CaptureGraphBuilder {
  public:
    HResult setFiltergraph(const std::shared_ptr<FilterGraph>& graph);
    std::shared_ptr<FilterGraph> filtergraph() const { return graph_; }

    // The index-th pin of `filter` with this direction whose category (None: any) and media
    // kind (Any: any) match; E_Fail when there is none.
    static HResult findPin(const Filter& filter, PinDirection direction, PinCategory category,
                           MajorType type, bool unconnectedOnly, int index, Pin& out);

    // Connects the source's free outputs onward: to `sink` (the first output that fits), or,
    // without a sink, each free video output to a new video renderer. S_Ok when something was
    // connected, or when nothing was left to render on a source that has connected outputs;
    // E_CannotRender otherwise. Intermediate filters are not supported.
    HResult renderStream(const Filter& source, const Filter& sink);

    // Renders one output of `source` by category: source -> [intermediate] -> sink, where an
    // empty sink means a new default video renderer added as "Video Renderer". Capture takes the
    // source's capture output (an uncategorised output counts as one), or, once a Smart Tee
    // took it, the tee's capture output. Preview takes a preview output; a source without one
    // gets a Smart Tee ("Smart Tee") on its capture output, or reuses the tee already there, and
    // the result is S_NoPreviewPin. Failures: E_Fail (no such output), E_CannotRender.
    HResult renderStream(PinCategory category, MajorType type, const Filter& source,
                         const Filter& intermediate, const Filter& sink);

  private:
    std::shared_ptr<FilterGraph> graph_;
};

}  // namespace platform::media
