// AsfWriter: per-stream encoder chains in front of asfmux, built from a profile.
#include "AsfWriter.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "AsfPacketFix.h"
#include "ElementFactory.h"
#include "EncoderTimestampFix.h"
#include "GstRef.h"

namespace platform::media {
namespace {

constexpr const char* kProfileKey = "twk-wm-profile";
constexpr uint32_t kFourCC_WMV1 = 0x31564D57;  // "WMV1"

GstElement* muxOf(GstElement* writer) {
    return gst_bin_get_by_name(GST_BIN(writer), "mux");  // transfer full
}

// A multiplexer named "mux" whose padded data packets come out consistent.
GstElement* makeMux() {
    GstElement* mux = makeElement("asfmux");
    if (mux != nullptr) {
        gst_object_set_name(GST_OBJECT(mux), "mux");
        AsfPacketFix::install(mux);
    }
    return mux;
}

// asfmux cannot give back a request pad (its collect pads would wait for the released one
// for ever), so taking an input out means a fresh multiplexer for the inputs that stay.
void replaceMux(GstElement* writer) {
    g_autoptr(GstElement) old = muxOf(writer);
    gboolean streamable = FALSE;
    if (old != nullptr) {
        g_object_get(old, "streamable", &streamable, nullptr);
        gst_element_set_state(old, GST_STATE_NULL);
    }
    std::vector<GstRef<GstElement>> chains;
    for (const char* input : {"video", "audio"}) {
        const std::string chainName = std::string(input) + "-chain";
        GstElement* chain = gst_bin_get_by_name(GST_BIN(writer), chainName.c_str());
        if (chain == nullptr) {
            continue;
        }
        g_autoptr(GstPad) src = gst_element_get_static_pad(chain, "src");
        g_autoptr(GstPad) peer = src != nullptr ? gst_pad_get_peer(src) : nullptr;
        if (peer != nullptr) {
            gst_pad_unlink(src, peer);
        }
        chains.push_back(GstRef<GstElement>::adopt(chain));
    }
    if (old != nullptr) {
        gst_bin_remove(GST_BIN(writer), old);
    }
    GstElement* mux = makeMux();
    if (mux == nullptr) {
        return;
    }
    g_object_set(mux, "streamable", streamable, nullptr);
    gst_bin_add(GST_BIN(writer), mux);
    for (const auto& chain : chains) {
        const bool video = std::string(GST_OBJECT_NAME(chain.get())) == "video-chain";
        gst_element_link_pads(chain.get(), "src", mux, video ? "video_%u" : "audio_%u");
    }
    g_autoptr(GstPad) muxSrc = gst_element_get_static_pad(mux, "src");
    g_autoptr(GstPad) ghost = gst_element_get_static_pad(writer, "src");
    if (ghost != nullptr) {
        gst_ghost_pad_set_target(GST_GHOST_PAD(ghost), muxSrc);
    } else {
        gst_element_add_pad(writer, gst_ghost_pad_new("src", muxSrc));
    }
}

// Takes out one input: its chain and the writer's input pin; `relink` gives the remaining
// inputs a fresh multiplexer.
void removeInput(GstElement* writer, const char* input, bool relink) {
    g_autoptr(GstPad) ghost = gst_element_get_static_pad(writer, input);
    const std::string chainName = std::string(input) + "-chain";
    g_autoptr(GstElement) chain = gst_bin_get_by_name(GST_BIN(writer), chainName.c_str());
    if (chain == nullptr && ghost == nullptr) {
        return;
    }
    if (chain != nullptr) {
        g_autoptr(GstPad) src = gst_element_get_static_pad(chain, "src");
        g_autoptr(GstPad) peer = src != nullptr ? gst_pad_get_peer(src) : nullptr;
        if (peer != nullptr) {
            gst_pad_unlink(src, peer);
        }
        gst_element_set_state(chain, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(writer), chain);
    }
    if (ghost != nullptr) {
        gst_element_remove_pad(writer, ghost);
    }
    if (relink) {
        replaceMux(writer);
    }
}

// A frame rate the WMV encoders take: their time base must stay small, so 30.0003 is 30/1 and
// 29.97 is 30000/1001.
void frameRateOf(int64_t avgTimePerFrame, int& num, int& den) {
    const double fps = 1e7 / static_cast<double>(avgTimePerFrame);
    const double ntsc = fps * 1001.0 / 1000.0;
    if (std::fabs(ntsc - std::round(ntsc)) < 0.01 && std::fabs(fps - std::round(fps)) > 0.01) {
        num = static_cast<int>(std::round(ntsc)) * 1000;
        den = 1001;
        return;
    }
    num = std::max(1, static_cast<int>(std::round(fps)));
    den = 1;
}

bool addChain(GstElement* writer, const char* input, std::initializer_list<GstElement*> elems,
              const char* muxPad) {
    for (GstElement* e : elems) {
        if (e == nullptr) {
            for (GstElement* x : elems) {
                if (x != nullptr) {
                    gst_object_unref(gst_object_ref_sink(x));
                }
            }
            return false;
        }
    }
    const std::string chainName = std::string(input) + "-chain";
    GstElement* chain = gst_bin_new(chainName.c_str());
    GstElement* prev = nullptr;
    GstElement* first = nullptr;
    bool ok = true;
    for (GstElement* e : elems) {
        gst_bin_add(GST_BIN(chain), e);
        if (prev != nullptr) {
            ok = ok && gst_element_link(prev, e) != FALSE;
        } else {
            first = e;
        }
        prev = e;
    }
    g_autoptr(GstPad) in = gst_element_get_static_pad(first, "sink");
    g_autoptr(GstPad) out = gst_element_get_static_pad(prev, "src");
    gst_element_add_pad(chain, gst_ghost_pad_new("sink", in));
    gst_element_add_pad(chain, gst_ghost_pad_new("src", out));
    gst_bin_add(GST_BIN(writer), chain);
    g_autoptr(GstElement) mux = muxOf(writer);
    ok = ok && mux != nullptr && gst_element_link_pads(chain, "src", mux, muxPad) != FALSE;
    g_autoptr(GstPad) chainIn = gst_element_get_static_pad(chain, "sink");
    gst_element_add_pad(writer, gst_ghost_pad_new(input, chainIn));
    if (!ok) {
        removeInput(writer, input, true);
    }
    return ok;
}

bool addVideo(GstElement* writer, const WmProfile::Video& v) {
    GstElement* enc = makeElement(v.fourcc == kFourCC_WMV1 ? "avenc_wmv1" : "avenc_wmv2");
    GstElement* caps = makeElement("capsfilter");
    if (enc != nullptr && caps != nullptr) {
        GstCaps* c = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420", nullptr);
        if (v.width > 0 && v.height > 0) {
            gst_caps_set_simple(c, "width", G_TYPE_INT, v.width, "height", G_TYPE_INT, v.height,
                                "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
        }
        if (v.avgTimePerFrame > 0) {
            int num = 30;
            int den = 1;
            frameRateOf(v.avgTimePerFrame, num, den);
            gst_caps_set_simple(c, "framerate", GST_TYPE_FRACTION, num, den, nullptr);
        }
        g_object_set(caps, "caps", c, nullptr);
        gst_caps_unref(c);
        if (v.bitrate > 0) {
            g_object_set(enc, "bitrate", static_cast<gint>(std::min<uint32_t>(v.bitrate, G_MAXINT)),
                         nullptr);
        }
        if (v.maxKeyFrameSpacing > 0 && v.avgTimePerFrame > 0) {
            const int64_t gop =
                std::clamp<int64_t>(v.maxKeyFrameSpacing / v.avgTimePerFrame, 1, 600);
            g_object_set(enc, "gop-size", static_cast<gint>(gop), nullptr);
        }
        EncoderTimestampFix::install(enc);
    }
    return addChain(writer, "video",
                    {makeElement("videoconvert"), makeElement("videoscale"),
                     makeElement("videorate"), caps, enc},
                    "video_%u");
}

bool addAudio(GstElement* writer, const WmProfile::Audio& a) {
    GstElement* enc = makeElement(a.formatTag == 0x160 ? "avenc_wmav1" : "avenc_wmav2");
    GstElement* caps = makeElement("capsfilter");
    if (enc != nullptr && caps != nullptr) {
        GstCaps* c = gst_caps_new_empty_simple("audio/x-raw");
        if (a.sampleRate > 0) {
            gst_caps_set_simple(c, "rate", G_TYPE_INT, a.sampleRate, nullptr);
        }
        if (a.channels > 0) {
            gst_caps_set_simple(c, "channels", G_TYPE_INT, a.channels, nullptr);
        }
        g_object_set(caps, "caps", c, nullptr);
        gst_caps_unref(c);
        if (a.bitrate > 0) {
            g_object_set(enc, "bitrate", static_cast<gint>(std::min<uint32_t>(a.bitrate, G_MAXINT)),
                         nullptr);
        }
    }
    return addChain(writer, "audio",
                    {makeElement("audioconvert"), makeElement("audioresample"), caps, enc},
                    "audio_%u");
}

}  // namespace

HResult AsfWriter::create(Filter& out) {
    out = Filter();
    GstElement* mux = makeMux();
    if (mux == nullptr) {
        return E_ClassNotRegistered;
    }
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add(GST_BIN(bin), mux);
    g_autoptr(GstPad) src = gst_element_get_static_pad(mux, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("src", src));
    Filter f = Filter::fromElement(bin);
    const HResult hr = configure(f, WmProfile::writerDefault());
    if (failed(hr)) {
        return hr;
    }
    out = f;
    return S_Ok;
}

HResult AsfWriter::configure(const Filter& writer, const WmProfile& profile) {
    GstElement* w = writer.element();
    if (w == nullptr || !GST_IS_BIN(w)) {
        return E_Pointer;
    }
    g_autoptr(GstElement) mux = muxOf(w);
    if (mux == nullptr) {
        return E_InvalidArg;
    }
    for (const char* input : {"video", "audio"}) {
        g_autoptr(GstPad) pad = gst_element_get_static_pad(w, input);
        if (pad != nullptr && gst_pad_is_linked(pad)) {
            return E_Unexpected;  // only before the inputs are connected
        }
    }
    removeInput(w, "video", false);
    removeInput(w, "audio", false);
    replaceMux(w);
    bool ok = true;
    if (profile.video.present) {
        ok = addVideo(w, profile.video) && ok;
    }
    if (profile.audio.present) {
        ok = addAudio(w, profile.audio) && ok;
    }
    g_object_set_data_full(G_OBJECT(w), kProfileKey, new WmProfile(profile),
                           [](gpointer p) { delete static_cast<WmProfile*>(p); });
    return ok ? S_Ok : E_Fail;
}

bool AsfWriter::profileOf(const Filter& writer, WmProfile& out) {
    if (!writer) {
        return false;
    }
    const auto* p =
        static_cast<const WmProfile*>(g_object_get_data(G_OBJECT(writer.element()), kProfileKey));
    if (p == nullptr) {
        return false;
    }
    out = *p;
    return true;
}

HResult AsfWriter::setIndexMode(const Filter& writer, bool index) {
    if (!writer || !GST_IS_BIN(writer.element())) {
        return E_Pointer;
    }
    g_autoptr(GstElement) mux = muxOf(writer.element());
    if (mux == nullptr) {
        return E_InvalidArg;
    }
    g_object_set(mux, "streamable", index ? FALSE : TRUE, nullptr);
    return S_Ok;
}

void AsfWriter::removeUnconnectedInputs(const Filter& writer) {
    if (!writer || !GST_IS_BIN(writer.element())) {
        return;
    }
    for (const char* input : {"video", "audio"}) {
        g_autoptr(GstPad) pad = gst_element_get_static_pad(writer.element(), input);
        if (pad != nullptr && !gst_pad_is_linked(pad)) {
            removeInput(writer.element(), input, true);
        }
    }
}

}  // namespace platform::media
