// VideoWindow: window state and the latest-frame mailbox between streaming and GUI thread.
#include "VideoWindow.h"

#include <cstring>

#include <gst/video/video.h>

namespace platform::media {

HResult VideoWindow::setOwner(Handle owner) {
    owner_ = owner;
    changed();
    return S_Ok;
}

HResult VideoWindow::setWindowPosition(int left, int top, int width, int height) {
    if (width < 0 || height < 0) {
        return E_InvalidArg;
    }
    rect_ = WindowRect{left, top, width, height};
    changed();
    return S_Ok;
}

HResult VideoWindow::setVisible(bool visible) {
    visible_ = visible;
    changed();
    return S_Ok;
}

HResult VideoWindow::setWindowStyle(uint32_t style) {
    style_ = style;
    changed();
    return S_Ok;
}

HResult VideoWindow::setMessageDrain(Handle drain) {
    drain_ = drain;
    changed();
    return S_Ok;
}

HResult VideoWindow::setFullScreenMode(bool on) {
    fullScreen_ = on;
    changed();
    return S_Ok;
}

void VideoWindow::setChangeListener(std::function<void()> listener) { changeListener_ = std::move(listener); }

void VideoWindow::setFrameListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    frameListener_ = std::move(listener);
}

void VideoWindow::changed() {
    if (changeListener_) {
        changeListener_();
    }
}

bool VideoWindow::latestFrame(VideoFrame& out) const {
    std::lock_guard lock(mutex_);
    if (frame_.sequence == 0) {
        return false;
    }
    out = frame_;
    return true;
}

uint64_t VideoWindow::framesDelivered() const {
    std::lock_guard lock(mutex_);
    return frame_.sequence;
}

void VideoWindow::deliver(GstSample* sample) {
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (caps == nullptr || buffer == nullptr || gst_video_info_from_caps(&info, caps) == FALSE) {
        return;
    }
    GstVideoFrame vf;
    if (gst_video_frame_map(&vf, &info, buffer, GST_MAP_READ) == FALSE) {
        return;
    }
    const int w = GST_VIDEO_FRAME_WIDTH(&vf);
    const int h = GST_VIDEO_FRAME_HEIGHT(&vf);
    const int srcStride = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0);
    const auto* src = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0));
    {
        // The listener runs under mutex_, so once setFrameListener(nullptr) returns no call is
        // in flight and its target may go away.
        std::lock_guard lock(mutex_);
        frame_.width = w;
        frame_.height = h;
        frame_.stride = w * 4;
        frame_.bgrx.resize(static_cast<size_t>(w) * 4 * static_cast<size_t>(h));
        for (int y = 0; y < h; ++y) {
            std::memcpy(frame_.bgrx.data() + static_cast<size_t>(y) * frame_.stride,
                        src + static_cast<size_t>(y) * srcStride, static_cast<size_t>(w) * 4);
        }
        ++frame_.sequence;
        if (frameListener_) {
            frameListener_();
        }
    }
    gst_video_frame_unmap(&vf);
}

}  // namespace platform::media
