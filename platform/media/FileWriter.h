// The file writer of a recording: a queued file sink that creates its file when the graph
// starts, never holds the graph's start for a first buffer, writes on its own thread, and tells
// when the multiplexer's end of stream has reached the file (the file is then complete).
//
// Threads: built and finished on the GUI thread; the EOS probe runs on the writing thread and
// only sets an atomic flag.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "Filter.h"
#include "FilterGraph.h"

namespace platform::media {

class StreamControl;

// What SetOutputFileName puts in front of the file.
enum class OutputSubtype { Avi, Asf };

class FileWriter {
  public:
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // A file sink for `path`, added to `graph` as `name`.
    static HResult create(const std::shared_ptr<FilterGraph>& graph, const std::string& name,
                          const std::string& path, std::shared_ptr<FileWriter>& out);

    // The capture builder's SetOutputFileName: the multiplexer of the subtype ("AVI Mux", or an
    // unconfigured ASF writer as "ASF Writer") and the file writer ("File Writer") behind it,
    // both added to the graph and linked. `mux` is what the streams connect to.
    static HResult setOutputFileName(const std::shared_ptr<FilterGraph>& graph,
                                     OutputSubtype subtype, const std::string& path, Filter& mux,
                                     std::shared_ptr<FileWriter>& writer);

    // Ends the recorded streams and waits (bounded) until the end reached the file: each stream
    // ends on its own streaming thread; a stream that no longer flows (source error, camera
    // pulled) is ended from here after `idleMs`. False when the file did not complete in time
    // or writing had failed (it then keeps what was written before the failure).
    bool finish(const std::vector<std::shared_ptr<StreamControl>>& streams, int timeoutMs = 5000,
                int idleMs = 300);

    bool reachedEnd() const { return eos_.load(std::memory_order_acquire); }
    // Writing stopped on an error; the file keeps what reached it.
    bool writeFailed() const;
    const Filter& filter() const { return sink_; }
    const std::string& path() const { return path_; }

  private:
    FileWriter() = default;
    static GstPadProbeReturn onEvent(GstPad* pad, GstPadProbeInfo* info, gpointer self);

    Filter sink_;
    std::string path_;
    GstRef<GstPad> sinkPad_;
    GstRef<GstPad> queueOut_;  // the writing thread's output, for its last flow result
    gulong probeId_ = 0;
    std::atomic<bool> eos_{false};  // set by the streaming thread, read by the GUI thread
};

}  // namespace platform::media
