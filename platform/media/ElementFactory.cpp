// Element creation with a report that names what is missing.
#include "ElementFactory.h"

#include <cstdio>
#include <string_view>

namespace platform::media {
namespace {

struct Provider {
    const char* package;
    std::initializer_list<std::string_view> factories;
};

// The factories this program makes, by the package that ships their plugin.
const Provider kProviders[] = {
    {"libgstreamer1.0-0", {"tee", "queue", "filesink", "fakesink", "capsfilter", "identity"}},
    {"gstreamer1.0-plugins-base",
     {"videoconvert", "videoscale", "videorate", "audioconvert", "audioresample", "appsink",
      "uridecodebin", "videotestsrc", "audiotestsrc"}},
    {"gstreamer1.0-plugins-good",
     {"avimux", "wavenc", "jpegenc", "jpegdec", "videobalance", "v4l2src"}},
    {"gstreamer1.0-plugins-bad", {"asfmux"}},
};

// The Debian package whose plugin provides `factory`, or a general hint for one not listed.
const char* packageProviding(const char* factory) {
    const std::string_view f(factory);
    for (const Provider& p : kProviders) {
        for (const std::string_view known : p.factories) {
            if (known == f) {
                return p.package;
            }
        }
    }
    // The libav wrappers: avenc_*, avdec_*, avmux_* (checked after the table: avimux is good's).
    if (f.substr(0, 2) == "av") {
        return "gstreamer1.0-libav";
    }
    return "a GStreamer plugin package";
}

}  // namespace

GstElement* makeElement(const char* factory, const char* name) {
    GstElement* e = gst_element_factory_make(factory, name);
    if (e == nullptr) {
        std::fprintf(stderr, "media: element \"%s\" is missing (%s)\n", factory,
                     packageProviding(factory));
    }
    return e;
}

}  // namespace platform::media
