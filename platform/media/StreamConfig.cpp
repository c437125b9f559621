// StreamConfig: capabilities from a camera's caps, formats set through its caps filter.
#include "StreamConfig.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace platform::media {
namespace {

constexpr int64_t kUnitsPerSecond = 10000000;  // frame intervals are in 100 ns units

// Held on the source element as qdata; freed with the element.
struct SourceFormats {
    GstCaps* capabilities = nullptr;
    GstCaps* current = nullptr;  // the caps set last, or null
    StreamConfig::ApplyFormat apply = nullptr;
};

void freeSourceFormats(gpointer p) {
    auto* f = static_cast<SourceFormats*>(p);
    if (f->capabilities != nullptr) {
        gst_caps_unref(f->capabilities);
    }
    if (f->current != nullptr) {
        gst_caps_unref(f->current);
    }
    delete f;
}

GQuark formatsQuark() {
    static const GQuark q = g_quark_from_static_string("twk-stream-formats");
    return q;
}

SourceFormats* formatsOf(GstElement* e) {
    return e != nullptr
               ? static_cast<SourceFormats*>(g_object_get_qdata(G_OBJECT(e), formatsQuark()))
               : nullptr;
}

uint32_t bytesPerPixel(VideoSubtype s) {
    return s == VideoSubtype::RGB24 ? 3u : 2u;
}

bool applyToCapsFilter(GstElement* source, const GstCaps* fixed) {
    if (!GST_IS_BIN(source)) {
        return false;
    }
    g_autoptr(GstElement) filter = gst_bin_get_by_name(GST_BIN(source), "format");
    if (filter == nullptr) {
        return false;
    }
    g_object_set(filter, "caps", fixed, nullptr);
    return true;
}

}  // namespace

void StreamConfig::attach(GstElement* source, GstCaps* capabilities, ApplyFormat apply,
                          GstCaps* current) {
    auto* f = new SourceFormats;
    f->capabilities = capabilities != nullptr ? gst_caps_ref(capabilities) : gst_caps_new_empty();
    f->current = current != nullptr ? gst_caps_ref(current) : nullptr;
    f->apply = apply;
    g_object_set_qdata_full(G_OBJECT(source), formatsQuark(), f, &freeSourceFormats);
}

HResult StreamConfig::find(const Filter& source, StreamConfig& out) {
    out = StreamConfig();
    SourceFormats* f = formatsOf(source.element());
    if (f == nullptr) {
        return E_NoInterfaceFound;
    }
    out.source_ = GstRef<GstElement>::ref(source.element());
    out.capabilities_ = GstRef<GstCaps>::ref(f->capabilities);
    out.apply_ = f->apply;
    return S_Ok;
}

int StreamConfig::capabilityCount() const {
    return capabilities_ ? static_cast<int>(gst_caps_get_size(capabilities_.get())) : 0;
}

VideoMediaType StreamConfig::typeOf(const GstStructure* s) {
    VideoMediaType t;
    const char* name = gst_structure_get_name(s);
    if (std::strcmp(name, "image/jpeg") == 0) {
        t.subtype = VideoSubtype::MJPG;
    } else if (std::strcmp(name, "video/x-raw") == 0) {
        const char* format = gst_structure_get_string(s, "format");
        if (format != nullptr && std::strcmp(format, "YUY2") == 0) {
            t.subtype = VideoSubtype::YUY2;
        } else if (format != nullptr && std::strcmp(format, "BGR") == 0) {
            t.subtype = VideoSubtype::RGB24;
        }
    }
    int w = 0;
    int h = 0;
    gst_structure_get_int(s, "width", &w);
    gst_structure_get_int(s, "height", &h);
    int n = 0;
    int d = 1;
    if (gst_structure_get_fraction(s, "framerate", &n, &d) && n > 0) {
        t.format.AvgTimePerFrame = kUnitsPerSecond * d / n;
    }
    const uint32_t b = bytesPerPixel(t.subtype);
    BitmapInfoHeader& bi = t.format.bmiHeader;
    bi.biSize = sizeof(BitmapInfoHeader);
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = static_cast<uint16_t>(b * 8);
    switch (t.subtype) {
        case VideoSubtype::YUY2:
            bi.biCompression = kFourCC_YUY2;
            break;
        case VideoSubtype::MJPG:
            bi.biCompression = kFourCC_MJPG;
            break;
        case VideoSubtype::RGB24:
            bi.biCompression = kFourCC_RGB24;
            break;
        case VideoSubtype::Other:
            bi.biCompression = kFourCC_None;
            break;
    }
    bi.biSizeImage = static_cast<uint32_t>(w) * static_cast<uint32_t>(h) * b;
    t.sampleSize = bi.biSizeImage;
    t.temporalCompression = false;
    t.fixedSizeSamples = t.subtype != VideoSubtype::MJPG;
    return t;
}

HResult StreamConfig::getStreamCaps(int index, VideoMediaType& out) const {
    if (index < 0 || index >= capabilityCount()) {
        return E_InvalidArg;
    }
    GstStructure* s = gst_structure_copy(gst_caps_get_structure(capabilities_.get(), index));
    gst_structure_fixate(s);
    out = typeOf(s);
    gst_structure_free(s);
    return S_Ok;
}

HResult StreamConfig::setFormat(const VideoMediaType& type) {
    if (!source_) {
        return E_Pointer;
    }
    const BitmapInfoHeader& want = type.format.bmiHeader;
    const int64_t interval = type.format.AvgTimePerFrame;
    const int wantW = want.biWidth;
    const int wantH = std::abs(want.biHeight);
    for (int i = 0; i < capabilityCount(); ++i) {
        GstStructure* s = gst_structure_copy(gst_caps_get_structure(capabilities_.get(), i));
        // Ranges and lists are narrowed towards the wish first, then fixed.
        gst_structure_fixate_field_nearest_int(s, "width", wantW);
        gst_structure_fixate_field_nearest_int(s, "height", wantH);
        if (interval > 0 && interval <= kUnitsPerSecond * 1000) {
            // 333333 means 30/1 to a camera, not 10000000/333333.
            const double fps = static_cast<double>(kUnitsPerSecond) / static_cast<double>(interval);
            const long whole = std::lround(fps);
            if (whole > 0 && std::fabs(fps - static_cast<double>(whole)) * 1000.0 <= fps) {
                gst_structure_fixate_field_nearest_fraction(s, "framerate",
                                                            static_cast<gint>(whole), 1);
            } else {
                gst_structure_fixate_field_nearest_fraction(s, "framerate",
                                                            static_cast<gint>(kUnitsPerSecond),
                                                            static_cast<gint>(interval));
            }
        }
        gst_structure_fixate(s);
        const VideoMediaType have = typeOf(s);
        const int64_t diff = have.format.AvgTimePerFrame - interval;
        const bool rateFits = interval <= 0 || std::llabs(diff) * 1000 <= interval;
        if (have.subtype != type.subtype || type.subtype == VideoSubtype::Other ||
            have.format.bmiHeader.biWidth != wantW || have.format.bmiHeader.biHeight != wantH ||
            !rateFits) {
            gst_structure_free(s);
            continue;
        }
        GstCaps* fixed = gst_caps_new_full(s, nullptr);  // takes s
        const bool ok = apply_ != nullptr ? apply_(source_.get(), fixed)
                                          : applyToCapsFilter(source_.get(), fixed);
        if (!ok) {
            gst_caps_unref(fixed);
            return E_Fail;
        }
        SourceFormats* f = formatsOf(source_.get());
        if (f->current != nullptr) {
            gst_caps_unref(f->current);
        }
        f->current = fixed;
        return S_Ok;
    }
    return E_InvalidMediaType;
}

HResult StreamConfig::getFormat(VideoMediaType& out) const {
    const SourceFormats* f = source_ ? formatsOf(source_.get()) : nullptr;
    if (f == nullptr) {
        return E_Pointer;
    }
    if (f->current != nullptr) {
        out = typeOf(gst_caps_get_structure(f->current, 0));
        return S_Ok;
    }
    return getStreamCaps(0, out);
}

}  // namespace platform::media
