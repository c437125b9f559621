// The filter graph: a GStreamer pipeline of named filters, with media control, graph events,
// seeking, its video window and the running-object-table dump.
//
// Threads: every method runs on the GUI thread except the bus sync handler, which runs on
// whichever thread posts a message (usually a streaming thread). mutex_ protects events_,
// notify_, the run-outcome fields and hadError_.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <gst/gst.h>

#include "Filter.h"
#include "GstRef.h"
#include "MediaTypes.h"
#include "Pin.h"

namespace platform::media {

class VideoWindow;

class FilterGraph {
  public:
    ~FilterGraph();
    FilterGraph(const FilterGraph&) = delete;
    FilterGraph& operator=(const FilterGraph&) = delete;

    // The graph object; fails when the media library is not initialised.
    static HResult create(std::shared_ptr<FilterGraph>& out);

    // --- graph building (the graph must be stopped) ---
    // A null filter fails with E_Pointer; a name already used fails with E_DuplicateName.
    HResult addFilter(const Filter& filter, const std::string& name);
    HResult removeFilter(const Filter& filter);
    Filter findFilterByName(const std::string& name) const;
    std::vector<Filter> filters() const;
    bool contains(const Filter& filter) const;
    // Links an output pin to an input pin, inserting a converter or decoder when their formats
    // do not meet ("intelligent connect").
    HResult connect(Pin& out, Pin& in);
    HResult connectDirect(Pin& out, Pin& in);
    // Unlinks the pin from its peer; S_False when it was not connected.
    HResult disconnect(Pin& pin);

    // --- media control ---
    // Asks for PLAYING and waits (bounded) for the state change or the first error: a busy
    // camera reports its error from the streaming thread after the request returned. Filters
    // without any connected pin stay stopped (run and pause), until stop() releases them.
    HResult run();
    HResult pause();
    HResult stop();
    GstState currentState() const;
    // Bound of run()'s wait, milliseconds.
    static constexpr int kRunWaitMs = 5000;

    // --- media events ---
    // The callback runs on the posting thread for every queued event; null stops notification.
    void setNotify(std::function<void()> notify);
    // E_Abort when no event arrives within timeoutMs (0: do not wait).
    HResult getEvent(GraphEvent& event, int timeoutMs);
    HResult freeEventParams(GraphEvent& event);

    // --- seeking (times in 100 ns units) ---
    HResult getCurrentPosition(int64_t& pos) const;
    HResult getStopPosition(int64_t& pos) const;
    HResult setPositions(int64_t pos);

    // --- video window of the graph's renderer ---
    std::shared_ptr<VideoWindow> videoWindow();

    // --- running-object-table analogue: a DOT dump "FilterGraph %08x pid %08x" into
    // $GST_DEBUG_DUMP_DOT_DIR; the cookie is never 0 on success ---
    HResult addToRot(uint32_t& cookie);
    static HResult removeFromRot(uint32_t cookie);
    std::string rotName() const;

    GstElement* pipeline() const { return pipeline_.get(); }

  private:
    FilterGraph();
    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void handleMessage(GstMessage* message);
    void pushEvent(const GraphEvent& event);
    void removeLinks(GstElement* element);
    void isolateUnconnected();
    std::string uniqueConverterName();

    GstRef<GstElement> pipeline_;
    std::vector<std::pair<std::string, Filter>> filters_;  // GUI thread only
    int converterCount_ = 0;
    std::shared_ptr<VideoWindow> videoWindow_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<GraphEvent> events_;  // guarded by mutex_
    std::function<void()> notify_;   // guarded by mutex_
    bool waitingForRun_ = false;     // guarded by mutex_
    bool reachedPlaying_ = false;    // guarded by mutex_
    HResult runError_ = S_Ok;        // guarded by mutex_: first error since run() asked
    bool hadError_ = false;          // guarded by mutex_: an abort was queued since the last run
};

}  // namespace platform::media
