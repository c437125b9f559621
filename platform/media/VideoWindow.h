// The video window of a graph: where the renderer's picture goes (owner, position, visibility,
// style, message drain, full screen) and the latest frame for the panel to paint.
//
// Threads: setters and getters on the GUI thread; deliver() on the renderer's streaming
// thread. mutex_ protects the newest sample and frameListener_; the window fields are GUI-thread
// only.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include <gst/gst.h>

#include "GstRef.h"
#include "platform/HResult.h"

namespace platform::media {

struct VideoFrame {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<uint8_t> bgrx;  // rows of 4-byte pixels, top row first
    uint64_t sequence = 0;
};

// A mapped frame, valid only inside withLatestFrame's callback.
struct VideoFrameView {
    const uint8_t* bgrx = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    uint64_t sequence = 0;
};

struct WindowRect {
    int left = 0, top = 0, width = 0, height = 0;
};

class VideoWindow {
  public:
    using Handle = void*;  // an opaque window handle of the GUI layer

    HResult setOwner(Handle owner);
    Handle owner() const { return owner_; }
    HResult setWindowPosition(int left, int top, int width, int height);
    WindowRect windowPosition() const { return rect_; }
    HResult setVisible(bool visible);
    bool visible() const { return visible_; }
    HResult setWindowStyle(uint32_t style);
    uint32_t windowStyle() const { return style_; }
    HResult setMessageDrain(Handle drain);
    Handle messageDrain() const { return drain_; }
    HResult setFullScreenMode(bool on);
    bool fullScreenMode() const { return fullScreen_; }

    // Called on the GUI thread after every change of the fields above.
    void setChangeListener(std::function<void()> listener);
    // Called on the streaming thread after each new frame, under the frame lock: keep it short.
    void setFrameListener(std::function<void()> listener);
    // Maps the newest frame and hands it to `use` (GUI thread; no copy). False when none came yet.
    bool withLatestFrame(const std::function<void(const VideoFrameView&)>& use) const;
    // A copy of the newest frame.
    bool latestFrame(VideoFrame& out) const;
    uint64_t framesDelivered() const;

    // From the renderer's appsink (streaming thread).
    void deliver(GstSample* sample);

  private:
    void changed();

    Handle owner_ = nullptr;
    Handle drain_ = nullptr;
    WindowRect rect_;
    bool visible_ = false;
    bool fullScreen_ = false;
    uint32_t style_ = 0;
    std::function<void()> changeListener_;

    mutable std::mutex mutex_;
    GstRef<GstSample> sample_;             // guarded by mutex_: the newest frame, BGRx
    uint64_t sequence_ = 0;                // guarded by mutex_
    std::function<void()> frameListener_;  // guarded by mutex_
};

}  // namespace platform::media
