// FileWriter: the file sink, SetOutputFileName and the EOS finishing of a recording.
#include "FileWriter.h"

#include <chrono>
#include <thread>

#include "AsfWriter.h"
#include "ElementFactory.h"
#include "Pin.h"
#include "StreamControl.h"
#include "platform/TsanAnnotations.h"

namespace platform::media {
namespace {
constexpr guint kQueueBytes = 256u * 1024u * 1024u;  // a few seconds of raw HD video
}  // namespace

FileWriter::~FileWriter() {
    if (sinkPad_ && probeId_ != 0) {
        gst_pad_remove_probe(sinkPad_.get(), probeId_);
    }
}

HResult FileWriter::create(const std::shared_ptr<FilterGraph>& graph, const std::string& name,
                           const std::string& path, std::shared_ptr<FileWriter>& out) {
    out.reset();
    if (!graph) {
        return E_Pointer;
    }
    std::shared_ptr<FileWriter> w(new FileWriter());
    GstElement* queue = makeElement("queue");
    GstElement* file = makeElement("filesink");
    if (queue == nullptr || file == nullptr) {
        for (GstElement* e : {queue, file}) {
            if (e != nullptr) {
                gst_object_unref(gst_object_ref_sink(e));
            }
        }
        return E_ClassNotRegistered;
    }
    // async=false: nothing reaches the file before the streams open, and a live graph must
    // not wait for a first buffer to start.
    g_object_set(file, "location", path.c_str(), "async", FALSE, "sync", FALSE, nullptr);
    // The queue lets the file be written on a thread of its own: a slow disk delays the
    // writing, not the camera and microphone threads that feed the multiplexer.
    g_object_set(queue, "max-size-buffers", 0u, "max-size-time", guint64{0}, "max-size-bytes",
                 kQueueBytes, nullptr);
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), queue, file, nullptr);
    gst_element_link(queue, file);
    g_autoptr(GstPad) in = gst_element_get_static_pad(queue, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", in));
    w->sink_ = Filter::fromElement(bin);
    w->queueOut_ = GstRef<GstPad>::adopt(gst_element_get_static_pad(queue, "src"));
    w->path_ = path;
    w->sinkPad_ = GstRef<GstPad>::adopt(gst_element_get_static_pad(file, "sink"));
    if (!w->sinkPad_) {
        return E_Fail;
    }
    tsanRelease(w.get());  // the probe runs on the writing thread
    w->probeId_ = gst_pad_add_probe(w->sinkPad_.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
                                    &FileWriter::onEvent, w.get(), nullptr);
    const HResult hr = graph->addFilter(w->sink_, name);
    if (failed(hr)) {
        return hr;
    }
    out = std::move(w);
    return S_Ok;
}

// Streaming thread: the file sink handles the EOS after this returns; the multiplexer has
// pushed its index and header rewrite before it sends EOS, and the sink writes synchronously.
GstPadProbeReturn FileWriter::onEvent(GstPad*, GstPadProbeInfo* info, gpointer self) {
    tsanAcquire(self);
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
        static_cast<FileWriter*>(self)->eos_.store(true, std::memory_order_release);
    }
    return GST_PAD_PROBE_OK;
}

HResult FileWriter::setOutputFileName(const std::shared_ptr<FilterGraph>& graph,
                                      OutputSubtype subtype, const std::string& path, Filter& mux,
                                      std::shared_ptr<FileWriter>& writer) {
    mux = Filter();
    writer.reset();
    if (!graph) {
        return E_Pointer;
    }
    Filter m;
    HResult hr = E_Fail;
    std::string name;
    if (subtype == OutputSubtype::Avi) {
        hr = Filter::create("avimux", m);
        name = "AVI Mux";
    } else {
        hr = AsfWriter::create(m);
        name = "ASF Writer";
    }
    if (failed(hr)) {
        return hr;
    }
    hr = graph->addFilter(m, name);
    if (failed(hr)) {
        return hr;
    }
    std::shared_ptr<FileWriter> w;
    hr = create(graph, "File Writer", path, w);
    if (failed(hr)) {
        return hr;
    }
    Pin out;
    Pin in;
    for (Pin& p : m.pins()) {
        if (p.direction() == PinDirection::Output) {
            out = p;
            break;
        }
    }
    for (Pin& p : w->filter().pins()) {
        if (p.direction() == PinDirection::Input) {
            in = p;
            break;
        }
    }
    hr = graph->connect(out, in);
    if (failed(hr)) {
        return hr;
    }
    mux = m;
    writer = std::move(w);
    return S_Ok;
}

bool FileWriter::finish(const std::vector<std::shared_ptr<StreamControl>>& streams, int timeoutMs,
                        int idleMs) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto since = [&start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    // The recording ends now: frames up to this running time that are still on their way
    // (a stream running behind the clock) go into the file.
    int64_t stopNs = -1;
    if (GstClock* clock = gst_element_get_clock(sink_.element())) {
        stopNs = static_cast<int64_t>(gst_clock_get_time(clock) -
                                      gst_element_get_base_time(sink_.element()));
        gst_object_unref(clock);
    }
    for (const auto& s : streams) {
        if (s) {
            s->requestEndOfStream(stopNs);
        }
    }
    while (!reachedEnd() && !writeFailed() && since() < timeoutMs) {
        if (since() >= idleMs) {
            // Streams that did not hand over EOS themselves and stay idle no longer flow.
            for (const auto& s : streams) {
                if (s && !s->endOfStreamSent() && s->idleFor(idleMs)) {
                    s->pushEndOfStream();
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return reachedEnd();
}

bool FileWriter::writeFailed() const {
    // The writing thread stopped on an error (a full disk, the size limit): the file sink will
    // see no end of stream any more, and what is on disk is all there will be.
    return queueOut_ && gst_pad_get_last_flow_return(queueOut_.get()) < GST_FLOW_EOS;
}

}  // namespace platform::media
