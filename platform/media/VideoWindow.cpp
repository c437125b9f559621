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

void VideoWindow::setChangeListener(std::function<void()> listener) {
    changeListener_ = std::move(listener);
}

void VideoWindow::setFrameListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    frameListener_ = std::move(listener);
}

void VideoWindow::changed() {
    if (changeListener_) {
        changeListener_();
    }
}

bool VideoWindow::withLatestFrame(const std::function<void(const VideoFrameView&)>& use) const {
    GstRef<GstSample> sample;
    uint64_t sequence = 0;
    {
        std::lock_guard lock(mutex_);
        sample = sample_.clone();
        sequence = sequence_;
    }
    if (!sample) {
        return false;
    }
    // The buffer is read-only once delivered; our reference keeps it alive while we read.
    GstCaps* caps = gst_sample_get_caps(sample.get());
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    GstVideoInfo info;
    if (caps == nullptr || buffer == nullptr || gst_video_info_from_caps(&info, caps) == FALSE) {
        return false;
    }
    GstVideoFrame vf;
    if (gst_video_frame_map(&vf, &info, buffer, GST_MAP_READ) == FALSE) {
        return false;
    }
    const VideoFrameView view{static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0)),
                              GST_VIDEO_FRAME_WIDTH(&vf), GST_VIDEO_FRAME_HEIGHT(&vf),
                              GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0), sequence};
    use(view);
    gst_video_frame_unmap(&vf);
    return true;
}

bool VideoWindow::latestFrame(VideoFrame& out) const {
    return withLatestFrame([&out](const VideoFrameView& v) {
        out.width = v.width;
        out.height = v.height;
        out.stride = v.width * 4;
        out.sequence = v.sequence;
        out.bgrx.resize(static_cast<size_t>(out.stride) * static_cast<size_t>(v.height));
        for (int y = 0; y < v.height; ++y) {
            std::memcpy(out.bgrx.data() + static_cast<size_t>(y) * out.stride,
                        v.bgrx + static_cast<size_t>(y) * v.stride,
                        static_cast<size_t>(out.stride));
        }
    });
}

uint64_t VideoWindow::framesDelivered() const {
    std::lock_guard lock(mutex_);
    return sequence_;
}

void VideoWindow::deliver(GstSample* sample) {
    GstRef<GstSample> newest = GstRef<GstSample>::ref(sample);
    // The listener runs under mutex_, so once setFrameListener(nullptr) returns no call is in
    // flight and its target may go away. The previous sample is released outside the lock.
    {
        std::lock_guard lock(mutex_);
        std::swap(sample_, newest);
        ++sequence_;
        if (frameListener_) {
            frameListener_();
        }
    }
}

}  // namespace platform::media
