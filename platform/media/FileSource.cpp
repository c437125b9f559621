// FileSource: discoverer probe, then uridecodebin feeding a converter per stream inside a bin.
#include "FileSource.h"

#include <sys/stat.h>

#include <cstring>

#include <gst/pbutils/pbutils.h>

#include "ElementFactory.h"

namespace platform::media {
namespace {

// uridecodebin's new pad (streaming thread): it goes to the converter of its kind when that one
// is still free. Nothing here may throw.
void onPadAdded(GstElement* decoder, GstPad* pad, gpointer) {
    g_autoptr(GstCaps) caps = gst_pad_get_current_caps(pad);
    if (caps == nullptr) {
        caps = gst_pad_query_caps(pad, nullptr);
    }
    if (caps == nullptr || gst_caps_is_empty(caps)) {
        return;
    }
    const char* kind = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    const char* target = std::strncmp(kind, "video/", 6) == 0   ? "video convert"
                         : std::strncmp(kind, "audio/", 6) == 0 ? "audio convert"
                                                                : nullptr;
    g_autoptr(GstObject) parent = gst_object_get_parent(GST_OBJECT(decoder));
    if (target == nullptr || parent == nullptr) {
        return;
    }
    g_autoptr(GstElement) convert = gst_bin_get_by_name(GST_BIN(parent), target);
    if (convert == nullptr) {
        return;
    }
    g_autoptr(GstPad) sink = gst_element_get_static_pad(convert, "sink");
    if (sink != nullptr && !gst_pad_is_linked(sink)) {
        gst_pad_link(pad, sink);
    }
}

bool addStream(GstElement* bin, const char* name, const char* convertName,
               std::initializer_list<const char*> factories) {
    GstElement* prev = nullptr;
    for (const char* f : factories) {
        GstElement* e = makeElement(f, prev == nullptr ? convertName : nullptr);
        if (e == nullptr) {
            return false;
        }
        gst_bin_add(GST_BIN(bin), e);
        if (prev != nullptr && gst_element_link(prev, e) == FALSE) {
            return false;
        }
        prev = e;
    }
    g_autoptr(GstPad) src = gst_element_get_static_pad(prev, "src");
    return gst_element_add_pad(bin, gst_ghost_pad_new(name, src)) == TRUE;
}

}  // namespace

HResult FileSource::create(const std::string& path, Filter& out) {
    out = Filter();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return E_FileNotFound;
    }
    g_autofree gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    if (uri == nullptr) {
        return E_FileNotFound;
    }
    GError* error = nullptr;
    g_autoptr(GstDiscoverer) discoverer =
        gst_discoverer_new(static_cast<GstClockTime>(kProbeMs) * GST_MSECOND, &error);
    g_clear_error(&error);
    if (discoverer == nullptr) {
        return E_Fail;
    }
    g_autoptr(GstDiscovererInfo) info = gst_discoverer_discover_uri(discoverer, uri, &error);
    g_clear_error(&error);
    if (info == nullptr || gst_discoverer_info_get_result(info) != GST_DISCOVERER_OK) {
        return E_Fail;
    }
    GList* videos = gst_discoverer_info_get_video_streams(info);
    GList* audios = gst_discoverer_info_get_audio_streams(info);
    const bool hasVideo = videos != nullptr;
    const bool hasAudio = audios != nullptr;
    gst_discoverer_stream_info_list_free(videos);
    gst_discoverer_stream_info_list_free(audios);
    if (!hasVideo && !hasAudio) {
        return E_Fail;
    }
    GstElement* decoder = makeElement("uridecodebin");
    if (decoder == nullptr) {
        return E_ClassNotRegistered;
    }
    g_object_set(decoder, "uri", uri, nullptr);
    Filter bin = Filter::fromElement(gst_bin_new(nullptr));
    gst_bin_add(GST_BIN(bin.element()), decoder);
    if ((hasVideo && !addStream(bin.element(), "video", "video convert", {"videoconvert"})) ||
        (hasAudio &&
         !addStream(bin.element(), "audio", "audio convert", {"audioconvert", "audioresample"}))) {
        return E_ClassNotRegistered;
    }
    g_signal_connect(decoder, "pad-added", G_CALLBACK(onPadAdded), nullptr);
    out = bin;
    return S_Ok;
}

}  // namespace platform::media
