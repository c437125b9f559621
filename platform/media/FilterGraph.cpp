// FilterGraph: pipeline building, state changes with the busy-camera wait, bus -> graph events.
#include "FilterGraph.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "ElementFactory.h"
#include "ErrorMapping.h"
#include "MediaRuntime.h"
#include "VideoRenderer.h"
#include "VideoWindow.h"
#include "platform/TsanAnnotations.h"

namespace platform::media {
namespace {

// Converter chains tried by connect(), by the upstream pin's media kind.
const std::vector<std::vector<const char*>>& chainsFor(const std::string& structName) {
    // jpegdec keeps the JPEG's own sampling (I420 for cameras) whatever its template offers, so
    // a converter always follows it.
    static const std::vector<std::vector<const char*>> jpeg = {
        {"jpegdec", "videoconvert"}, {"jpegdec", "videoconvert", "videoscale"}};
    static const std::vector<std::vector<const char*>> video = {{"videoconvert"},
                                                                {"videoconvert", "videoscale"}};
    static const std::vector<std::vector<const char*>> audio = {{"audioconvert"},
                                                                {"audioconvert", "audioresample"}};
    static const std::vector<std::vector<const char*>> none;
    if (structName == "image/jpeg") {
        return jpeg;
    }
    if (structName.rfind("video/", 0) == 0) {
        return video;
    }
    if (structName.rfind("audio/", 0) == 0) {
        return audio;
    }
    return none;
}

std::atomic<uint32_t> g_nextCookie{1};
std::mutex g_rotMutex;
std::map<uint32_t, std::string>& rotFiles() {  // guarded by g_rotMutex
    static std::map<uint32_t, std::string> files;
    return files;
}

void releaseIfRequested(GstPad* pad) {
    g_autoptr(GstPadTemplate) t = gst_pad_get_pad_template(pad);
    if (t == nullptr) {
        return;
    }
    if (GST_PAD_TEMPLATE_PRESENCE(t) == GST_PAD_REQUEST) {
        g_autoptr(GstObject) parent = gst_object_get_parent(GST_OBJECT(pad));
        if (parent != nullptr) {
            gst_element_release_request_pad(GST_ELEMENT(parent), pad);
        }
    }
}

}  // namespace

FilterGraph::FilterGraph() {
    pipeline_ = GstRef<GstElement>::ref(gst_pipeline_new(nullptr));
    videoWindow_ = std::make_shared<VideoWindow>();
    g_autoptr(GstBus) bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline_.get()));
    tsanRelease(this);  // the handler runs on whichever thread posts
    gst_bus_set_sync_handler(bus, &FilterGraph::onBusMessage, this, nullptr);
}

FilterGraph::~FilterGraph() {
    setNotify(nullptr);
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    for (auto& [name, f] : filters_) {
        VideoRenderer::detach(f.element());
        gst_element_set_locked_state(f.element(), FALSE);
    }
    g_autoptr(GstBus) bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline_.get()));
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    filters_.clear();
}

HResult FilterGraph::create(std::shared_ptr<FilterGraph>& out) {
    out.reset();
    if (!MediaRuntime::initialised()) {
        return E_Unexpected;
    }
    out.reset(new FilterGraph());
    return out->pipeline_ ? S_Ok : E_OutOfMemory;
}

HResult FilterGraph::addFilter(const Filter& filter, const std::string& name) {
    if (!filter) {
        return E_Pointer;
    }
    if (contains(filter)) {
        return E_InvalidArg;
    }
    if (findFilterByName(name)) {
        return E_DuplicateName;
    }
    if (GST_OBJECT_PARENT(filter.element()) != nullptr) {
        return E_InvalidArg;  // a filter belongs to one graph at a time
    }
    gst_object_set_name(GST_OBJECT(filter.element()), name.c_str());
    if (gst_bin_add(GST_BIN(pipeline_.get()), filter.element()) == FALSE) {
        return E_Fail;
    }
    filters_.emplace_back(name, filter);
    VideoRenderer::attach(filter.element(), videoWindow_);
    return S_Ok;
}

void FilterGraph::removeLinks(GstElement* element) {
    Filter f = Filter::fromElement(element);
    for (Pin& pin : f.pins()) {
        GstPad* pad = pin.pad();
        if (pad == nullptr) {
            continue;
        }
        g_autoptr(GstPad) peer = gst_pad_get_peer(pad);
        if (peer != nullptr) {
            if (GST_PAD_IS_SRC(pad)) {
                gst_pad_unlink(pad, peer);
            } else {
                gst_pad_unlink(peer, pad);
            }
            releaseIfRequested(peer);
        }
        releaseIfRequested(pad);
    }
}

HResult FilterGraph::removeFilter(const Filter& filter) {
    if (!filter) {
        return E_Pointer;
    }
    for (auto it = filters_.begin(); it != filters_.end(); ++it) {
        if (it->second == filter) {
            GstElement* e = filter.element();
            VideoRenderer::detach(e);
            removeLinks(e);
            gst_element_set_state(e, GST_STATE_NULL);
            gst_element_set_locked_state(e, FALSE);  // a filter may outlive the graph
            gst_bin_remove(GST_BIN(pipeline_.get()), e);
            filters_.erase(it);
            return S_Ok;
        }
    }
    return E_NoInterfaceFound;
}

Filter FilterGraph::findFilterByName(const std::string& name) const {
    for (const auto& [n, f] : filters_) {
        if (n == name) {
            return f;
        }
    }
    return {};
}

std::vector<Filter> FilterGraph::filters() const {
    std::vector<Filter> out;
    for (const auto& [n, f] : filters_) {
        out.push_back(f);
    }
    return out;
}

bool FilterGraph::contains(const Filter& filter) const {
    for (const auto& [n, f] : filters_) {
        if (f == filter) {
            return true;
        }
    }
    return false;
}

std::string FilterGraph::uniqueConverterName() {
    for (;;) {
        const std::string n = "Converter " + std::to_string(++converterCount_);
        if (!findFilterByName(n)) {
            return n;
        }
    }
}

HResult FilterGraph::connectDirect(Pin& out, Pin& in) {
    if (out.direction() != PinDirection::Output || in.direction() != PinDirection::Input) {
        return E_InvalidArg;
    }
    if (out.isConnected() || in.isConnected()) {
        return E_AlreadyConnected;
    }
    GstPad* op = out.materialize();
    GstPad* ip = in.materialize();
    if (op == nullptr || ip == nullptr) {
        return E_CannotConnect;
    }
    return gst_pad_link_full(op, ip, GST_PAD_LINK_CHECK_CAPS) == GST_PAD_LINK_OK ? S_Ok
                                                                                 : E_CannotConnect;
}

HResult FilterGraph::connect(Pin& out, Pin& in) {
    if (!out || !in) {
        return E_Pointer;
    }
    if (currentState() != GST_STATE_NULL) {
        return E_NotStopped;
    }
    if (!contains(out.filter()) || !contains(in.filter())) {
        return E_NoInterfaceFound;
    }
    HResult hr = connectDirect(out, in);
    if (hr != E_CannotConnect || out.pad() == nullptr || in.pad() == nullptr) {
        return hr;
    }
    g_autoptr(GstCaps) caps = gst_pad_query_caps(out.pad(), nullptr);
    std::string kind;
    if (caps != nullptr && !gst_caps_is_empty(caps) && !gst_caps_is_any(caps)) {
        kind = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    }
    for (const auto& chain : chainsFor(kind)) {
        std::vector<Filter> made;
        bool ok = true;
        for (const char* factory : chain) {
            GstElement* e = makeElement(factory);
            if (e == nullptr) {
                ok = false;
                break;
            }
            Filter f = Filter::fromElement(e);
            if (failed(addFilter(f, uniqueConverterName()))) {
                ok = false;
                break;
            }
            made.push_back(f);
        }
        GstPad* prev = out.pad();
        GstRef<GstPad> held;
        for (size_t i = 0; ok && i < made.size(); ++i) {
            g_autoptr(GstPad) sink = gst_element_get_static_pad(made[i].element(), "sink");
            ok = sink != nullptr &&
                 gst_pad_link_full(prev, sink, GST_PAD_LINK_CHECK_CAPS) == GST_PAD_LINK_OK;
            held = GstRef<GstPad>::adopt(gst_element_get_static_pad(made[i].element(), "src"));
            prev = held.get();
            ok = ok && prev != nullptr;
        }
        ok = ok && gst_pad_link_full(prev, in.pad(), GST_PAD_LINK_CHECK_CAPS) == GST_PAD_LINK_OK;
        if (ok) {
            return S_Ok;
        }
        for (Filter& f : made) {
            removeFilter(f);
        }
    }
    // The request pads made for this attempt go back.
    if (out.isRequestPad() && !out.isConnected()) {
        releaseIfRequested(out.pad());
    }
    if (in.isRequestPad() && !in.isConnected()) {
        releaseIfRequested(in.pad());
    }
    return E_CannotConnect;
}

HResult FilterGraph::disconnect(Pin& pin) {
    GstPad* pad = pin.pad();
    if (pad == nullptr) {
        return S_False;
    }
    if (currentState() != GST_STATE_NULL) {
        return E_NotStopped;
    }
    g_autoptr(GstPad) peer = gst_pad_get_peer(pad);
    if (peer == nullptr) {
        if (pin.isRequestPad()) {
            releaseIfRequested(pad);
        }
        return S_False;
    }
    if (GST_PAD_IS_SRC(pad)) {
        gst_pad_unlink(pad, peer);
    } else {
        gst_pad_unlink(peer, pad);
    }
    if (pin.isRequestPad()) {
        releaseIfRequested(pad);
    }
    return S_Ok;
}

GstState FilterGraph::currentState() const {
    GstState state = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline_.get(), &state, &pending, 0);
    return state;
}

// A filter with no connected pin takes no part in streaming, as an unconnected filter of a
// capture graph does: a lone sink would hold the state change for a preroll that never comes,
// and a lone live source would stop the graph with "not linked".
void FilterGraph::isolateUnconnected() {
    for (auto& [name, f] : filters_) {
        bool linked = false;
        for (const Pin& pin : f.pins()) {
            linked = linked || pin.isConnected();
        }
        if (!linked && !gst_element_is_locked_state(f.element())) {
            gst_element_set_state(f.element(), GST_STATE_NULL);
        }
        gst_element_set_locked_state(f.element(), linked ? FALSE : TRUE);
    }
}

HResult FilterGraph::run() {
    isolateUnconnected();
    {
        std::lock_guard lock(mutex_);
        waitingForRun_ = true;
        reachedPlaying_ = false;
        runError_ = S_Ok;
        hadError_ = false;
    }
    const GstStateChangeReturn ret = gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    std::unique_lock lock(mutex_);
    HResult hr = S_Ok;
    if (ret == GST_STATE_CHANGE_FAILURE) {
        hr = runError_ != S_Ok ? runError_ : E_Fail;
    } else if (ret == GST_STATE_CHANGE_SUCCESS) {
        hr = runError_ != S_Ok ? runError_ : S_Ok;
    } else {
        changed_.wait_for(lock, std::chrono::milliseconds(kRunWaitMs),
                          [this] { return reachedPlaying_ || runError_ != S_Ok; });
        hr = runError_ != S_Ok ? runError_ : (reachedPlaying_ ? S_Ok : S_False);
    }
    waitingForRun_ = false;
    return hr;
}

HResult FilterGraph::pause() {
    isolateUnconnected();
    switch (gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED)) {
        case GST_STATE_CHANGE_FAILURE:
            return E_Fail;
        case GST_STATE_CHANGE_ASYNC:
            return S_False;
        default:
            return S_Ok;
    }
}

HResult FilterGraph::stop() {
    const bool ok =
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL) != GST_STATE_CHANGE_FAILURE;
    for (auto& [name, f] : filters_) {
        gst_element_set_locked_state(f.element(), FALSE);  // each build decides afresh
    }
    return ok ? S_Ok : E_Fail;
}

// Runs on the posting thread (a streaming thread, or ours during a state change). Nothing may
// unwind through GStreamer's C frames.
GstBusSyncReply FilterGraph::onBusMessage(GstBus*, GstMessage* message, gpointer self) {
    tsanAcquire(self);
    try {
        static_cast<FilterGraph*>(self)->handleMessage(message);
    } catch (...) {
        // Out of memory while queueing: the event is lost, the stream goes on.
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void FilterGraph::handleMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gchar* debug = nullptr;
            gst_message_parse_error(message, &error, &debug);
            GstObject* origin = GST_MESSAGE_SRC(message);
            const bool fromSource = origin != nullptr && GST_IS_ELEMENT(origin) &&
                                    GST_OBJECT_FLAG_IS_SET(origin, GST_ELEMENT_FLAG_SOURCE);
            const HResult hr = hresultFromError(error, debug != nullptr ? debug : "", fromSource);
            const bool followOn = error != nullptr && error->domain == GST_STREAM_ERROR &&
                                  error->code == GST_STREAM_ERROR_FAILED;
            g_clear_error(&error);
            g_free(debug);
            std::lock_guard lock(mutex_);
            // The first error is the cause; a following "internal data stream error" is only
            // its consequence and must not replace the cause as the last abort.
            GraphEvent ev{(hadError_ && followOn) ? EC_STREAM_ERROR_STOPPED : EC_ERRORABORT, hr, 0};
            hadError_ = true;
            if (waitingForRun_ && runError_ == S_Ok) {
                runError_ = hr;
            }
            changed_.notify_all();
            pushEvent(ev);
            break;
        }
        case GST_MESSAGE_EOS: {
            std::lock_guard lock(mutex_);
            pushEvent(GraphEvent{EC_COMPLETE, S_Ok, 0});
            break;
        }
        case GST_MESSAGE_STATE_CHANGED: {
            if (GST_MESSAGE_SRC(message) != GST_OBJECT(pipeline_.get())) {
                break;
            }
            GstState oldState = GST_STATE_NULL;
            GstState newState = GST_STATE_NULL;
            gst_message_parse_state_changed(message, &oldState, &newState, nullptr);
            if (newState == GST_STATE_PLAYING) {
                std::lock_guard lock(mutex_);
                reachedPlaying_ = true;
                changed_.notify_all();
            }
            break;
        }
        default:
            break;
    }
}

// Caller holds mutex_.
void FilterGraph::pushEvent(const GraphEvent& event) {
    events_.push_back(event);
    changed_.notify_all();
    if (notify_) {
        notify_();
    }
}

void FilterGraph::setNotify(std::function<void()> notify) {
    std::lock_guard lock(mutex_);
    notify_ = std::move(notify);
}

HResult FilterGraph::getEvent(GraphEvent& event, int timeoutMs) {
    std::unique_lock lock(mutex_);
    if (events_.empty() && timeoutMs > 0) {
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return !events_.empty(); });
    }
    if (events_.empty()) {
        return E_Abort;
    }
    event = events_.front();
    events_.pop_front();
    return S_Ok;
}

HResult FilterGraph::freeEventParams(GraphEvent& event) {
    event = GraphEvent{};
    return S_Ok;
}

HResult FilterGraph::getCurrentPosition(int64_t& pos) const {
    gint64 ns = 0;
    if (gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &ns) == FALSE) {
        return E_Fail;
    }
    pos = ns / 100;
    return S_Ok;
}

HResult FilterGraph::getStopPosition(int64_t& pos) const {
    gint64 ns = 0;
    if (gst_element_query_duration(pipeline_.get(), GST_FORMAT_TIME, &ns) == FALSE || ns < 0) {
        return E_Fail;
    }
    pos = ns / 100;
    return S_Ok;
}

HResult FilterGraph::setPositions(int64_t pos) {
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    // One seek (one seqnum) to every sink that streams: a sink kept out of streaming (an
    // unconnected renderer or sound output) would refuse it and fail the whole seek, as the
    // pipeline's own seek asks every sink.
    GstEvent* seek = gst_event_new_seek(1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, pos * 100,
                                        GST_SEEK_TYPE_NONE, -1);
    bool any = false;
    bool ok = true;
    GstIterator* it = gst_bin_iterate_sinks(GST_BIN(pipeline_.get()));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* sink = GST_ELEMENT(g_value_get_object(&item));
        if (!gst_element_is_locked_state(sink)) {
            any = true;
            ok = gst_element_send_event(sink, gst_event_ref(seek)) != FALSE && ok;
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    gst_event_unref(seek);
    return any && ok ? S_Ok : E_Fail;
}

std::shared_ptr<VideoWindow> FilterGraph::videoWindow() {
    return videoWindow_;
}

std::string FilterGraph::rotName() const {
    char name[64];
    std::snprintf(name, sizeof name, "FilterGraph %08x pid %08x",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(this) & 0xFFFFFFFFu),
                  static_cast<unsigned>(::getpid()));
    return name;
}

HResult FilterGraph::addToRot(uint32_t& cookie) {
    cookie = 0;
    const uint32_t c = g_nextCookie.fetch_add(1);
    const char* dir = std::getenv("GST_DEBUG_DUMP_DOT_DIR");
    std::string path;
    if (dir != nullptr && *dir != '\0') {
        path = std::string(dir) + "/" + rotName() + ".dot";
        gchar* dot = gst_debug_bin_to_dot_data(GST_BIN(pipeline_.get()), GST_DEBUG_GRAPH_SHOW_ALL);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << (dot != nullptr ? dot : "");
        g_free(dot);
        if (!file) {
            return E_Fail;
        }
    }
    {
        std::lock_guard lock(g_rotMutex);
        rotFiles()[c] = path;
    }
    cookie = c;
    return S_Ok;
}

HResult FilterGraph::removeFromRot(uint32_t cookie) {
    std::lock_guard lock(g_rotMutex);
    auto it = rotFiles().find(cookie);
    if (it == rotFiles().end()) {
        return E_InvalidArg;
    }
    if (!it->second.empty()) {
        std::remove(it->second.c_str());
    }
    rotFiles().erase(it);
    return S_Ok;
}

}  // namespace platform::media
