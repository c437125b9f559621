// CaptureGraph: stills out of the frame filter, the video window's full-screen mode, and the
// filter's motion trigger and zoom table.
//
// GUI thread. The still handshake with the streaming thread is the filter's (see MyTransFilter):
// StillImg waits for the ready flag, GetImg copies the still under the filter's still lock.
#include "CaptureGraph.h"

#include <cstring>

#include "filter/MyTransFilter.h"
#include "platform/Sleep.h"

namespace {

constexpr int kStillPolls = 500;
constexpr uint32_t kStillPollMs = 10;

// A camera may keep another format than the one it was asked for. The filter addresses frames
// with the requested size, so it is given the size the frames really have before a still: a
// still is never read across the wrong rows.
void followNegotiatedSize(GstElement* element, filter::MyTransFilter& tf) {
    g_autoptr(GstPad) sink = gst_element_get_static_pad(element, "sink");
    if (sink == nullptr) {
        return;
    }
    g_autoptr(GstCaps) caps = gst_pad_get_current_caps(sink);
    if (caps == nullptr || gst_caps_get_size(caps) == 0) {
        return;  // nothing negotiated yet
    }
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    int w = 0;
    int h = 0;
    if (gst_structure_get_int(s, "width", &w) && gst_structure_get_int(s, "height", &h) && w > 0 &&
        h > 0 && (w != tf.requestedWidth() || h != tf.requestedHeight())) {
        tf.setRequestedSize(w, h);
    }
}

}  // namespace

bool CaptureGraph::StillImg() {
    if (!FReady || (branded() && FInRecord)) {
        return false;  // the branded preview filter takes no stills while recording
    }
    filter::MyTransFilter* tf = StillFilter();
    if (tf == nullptr) {
        return false;
    }
    followNegotiatedSize((branded() ? FPrvTransFilter : FTransFilter).element(), *tf);
    tf->requestStill();
    // The check comes before each wait: a still that arrives during the last wait is not seen.
    for (int i = 0; i < kStillPolls; ++i) {
        if (tf->stillReady()) {
            return true;
        }
        platform::sleepMs(kStillPollMs);
    }
    return false;
}

bool CaptureGraph::StillSize(int& width, int& height) const {
    const filter::MyTransFilter* tf = StillFilter();
    if (tf == nullptr || !tf->stillFilled()) {
        return false;  // there is no picture to copy
    }
    width = tf->requestedWidth();
    height = tf->requestedHeight();
    return width > 0 && height > 0;
}

bool CaptureGraph::CopyStill(uint8_t* rows, int stride, int width, int height) const {
    const filter::MyTransFilter* tf = StillFilter();
    // Both editions: upright unless SnapFlip, whatever the frame type.
    return tf != nullptr && tf->copyStill(width, height, !FOptions.SnapFlip, rows, stride);
}

bool CaptureGraph::FullScreen_get() const {
    if (!FDeviceEnable || !FVideoWindow) {
        return false;
    }
    return FVideoWindow->fullScreenMode();
}

void CaptureGraph::FullScreen_set(bool on) {
    if (!FDeviceEnable || !FVideoWindow) {
        return;
    }
    FVideoWindow->setFullScreenMode(on);
}

bool CaptureGraph::MotionEnabled_get() const {
    const filter::MyTransFilter* tf = StillFilter();
    return tf != nullptr && tf->motionEnabled();
}

void CaptureGraph::MotionEnabled_set(bool on) {
    if (filter::MyTransFilter* tf = StillFilter()) {
        tf->setMotionEnabled(on);
    }
}

void CaptureGraph::SetZoomValue(int32_t zoom, const int32_t* table, int32_t bytes) {
    filter::MyTransFilter* tf = TransFilter();
    if (branded() || !FOptions.CaptureVideo || tf == nullptr) {
        return;  // the branded component has no zoom
    }
    // The filter copies whole entries up to its table's capacity and ignores a larger count's rest.
    tf->SetZoomValue(zoom, table, bytes);
}
