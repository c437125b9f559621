// twktransfilter: a thin in-place GstVideoFilter shell around MyTransFilter. The vfuncs run on
// the streaming thread; the C++ state is created in _init and deleted in _finalize.
#include "filter/TransFilterElement.h"

#include <mutex>

#include <gst/video/video.h>

#include "platform/TsanAnnotations.h"

struct _TwkTransFilter {
    GstVideoFilter parent;
    filter::MyTransFilter* state;  // owned; GObject runs no constructors, so a pointer
};

G_DEFINE_TYPE(TwkTransFilter, twk_trans_filter, GST_TYPE_VIDEO_FILTER)

namespace {

constexpr const char* kCaps = GST_VIDEO_CAPS_MAKE("{ YUY2, BGR }");

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(kCaps));
GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS(kCaps));

// The branded variant accepts frames by biCompression: BGR frames must say BI_RGB, as the
// platform's RGB24 does.
static_assert(platform::kFourCC_RGB24 == filter::kCompressionBiRgb);

// The negotiated caps as the filter's media type: a VIDEOINFOHEADER with YUY2 or RGB24 (a
// negative biHeight: GStreamer's BGR rows are top line first).
filter::MediaType mediaTypeOf(const GstVideoInfo* info) {
    platform::VideoInfoHeader vih;
    vih.bmiHeader.biSize = sizeof(platform::BitmapInfoHeader);
    vih.bmiHeader.biWidth = GST_VIDEO_INFO_WIDTH(info);
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biSizeImage = static_cast<uint32_t>(GST_VIDEO_INFO_SIZE(info));
    vih.rcSource = {0, 0, GST_VIDEO_INFO_WIDTH(info), GST_VIDEO_INFO_HEIGHT(info)};
    vih.rcTarget = vih.rcSource;
    if (GST_VIDEO_INFO_FPS_N(info) > 0) {
        vih.AvgTimePerFrame = gst_util_uint64_scale_int(10000000, GST_VIDEO_INFO_FPS_D(info),
                                                        GST_VIDEO_INFO_FPS_N(info));
    }
    uint32_t subtype = 0;
    switch (GST_VIDEO_INFO_FORMAT(info)) {
        case GST_VIDEO_FORMAT_YUY2:
            subtype = filter::kSubtypeYUY2;
            vih.bmiHeader.biHeight = GST_VIDEO_INFO_HEIGHT(info);
            vih.bmiHeader.biBitCount = 16;
            vih.bmiHeader.biCompression = platform::kFourCC_YUY2;
            break;
        case GST_VIDEO_FORMAT_BGR:
            subtype = filter::kSubtypeRGB24;
            vih.bmiHeader.biHeight = -GST_VIDEO_INFO_HEIGHT(info);
            vih.bmiHeader.biBitCount = 24;
            vih.bmiHeader.biCompression = platform::kFourCC_RGB24;
            break;
        default:
            subtype = 0;  // refused by CheckInputType
            break;
    }
    return filter::MediaType::video(subtype, vih);
}

gboolean setInfo(GstVideoFilter* vf, GstCaps*, GstVideoInfo* inInfo, GstCaps*, GstVideoInfo*) {
    auto* self = TWK_TRANS_FILTER(vf);
    const platform::HResult hr = self->state->CheckInputType(mediaTypeOf(inInfo));
    if (platform::failed(hr)) {
        GST_WARNING_OBJECT(vf, "format refused by the frame filter (0x%08x)",
                           static_cast<unsigned>(hr));
        return FALSE;
    }
    return TRUE;
}

GstFlowReturn transformFrameIp(GstVideoFilter* vf, GstVideoFrame* frame) {
    auto* self = TWK_TRANS_FILTER(vf);
    GstBuffer* buf = frame->buffer;
    platform::tsanAcquire(buf);  // times a stream control rewrote on an upstream thread
    filter::FrameSample sample;
    sample.data = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
    sample.stride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0);
    const size_t offset = GST_VIDEO_FRAME_PLANE_OFFSET(frame, 0);
    sample.size = frame->map[0].size > offset ? frame->map[0].size - offset : 0;
    if (GST_BUFFER_PTS_IS_VALID(buf)) {
        sample.hasTime = true;
        sample.start = static_cast<int64_t>(GST_BUFFER_PTS(buf) / 100);
        sample.stop = sample.start;
        if (GST_BUFFER_DURATION_IS_VALID(buf)) {
            sample.stop += static_cast<int64_t>(GST_BUFFER_DURATION(buf) / 100);
        }
    }
    if (GST_BUFFER_OFFSET_IS_VALID(buf) && GST_BUFFER_OFFSET_END_IS_VALID(buf)) {
        sample.hasMediaTime = true;
        sample.mediaStart = static_cast<int64_t>(GST_BUFFER_OFFSET(buf));
        sample.mediaStop = static_cast<int64_t>(GST_BUFFER_OFFSET_END(buf));
    }
    self->state->Transform(&sample);
    return GST_FLOW_OK;
}

}  // namespace

static void twk_trans_filter_init(TwkTransFilter* self) {
    self->state = new filter::MyTransFilter();
    gst_base_transform_set_in_place(GST_BASE_TRANSFORM(self), TRUE);
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), FALSE);
    // GstVideoFilter turns QoS on; a late preview sink would then make this element drop frames
    // ahead of the tee, and the recorded branch must never lose one.
    gst_base_transform_set_qos_enabled(GST_BASE_TRANSFORM(self), FALSE);
}

static void twk_trans_filter_finalize(GObject* object) {
    auto* self = TWK_TRANS_FILTER(object);
    delete self->state;
    self->state = nullptr;
    G_OBJECT_CLASS(twk_trans_filter_parent_class)->finalize(object);
}

static void twk_trans_filter_class_init(TwkTransFilterClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = twk_trans_filter_finalize;
    auto* elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(elementClass, &sinkTemplate);
    gst_element_class_add_static_pad_template(elementClass, &srcTemplate);
    gst_element_class_set_static_metadata(
        elementClass, "Frame filter", "Filter/Effect/Video",
        "In place: digital zoom, date and time stamps, stream-timing overlay, stills and motion",
        "Tarnwick");
    auto* vfClass = GST_VIDEO_FILTER_CLASS(klass);
    vfClass->set_info = setInfo;
    vfClass->transform_frame_ip = transformFrameIp;
}

namespace filter {

bool registerTransFilterElement() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        ok = gst_element_register(nullptr, kTransFilterFactory, GST_RANK_NONE,
                                  TWK_TYPE_TRANS_FILTER) == TRUE;
    });
    return ok;
}

MyTransFilter* transFilterOf(GstElement* element) {
    if (element == nullptr || !TWK_IS_TRANS_FILTER(element)) {
        return nullptr;
    }
    return TWK_TRANS_FILTER(element)->state;
}

}  // namespace filter
