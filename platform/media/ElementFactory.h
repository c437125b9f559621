// Making GStreamer elements: a missing plugin is reported on stderr with the element's name and
// the package that provides it, since the user sees only a caption or a failure code.
#pragma once

#include <gst/gst.h>

namespace platform::media {

// A new (floating) element of `factory` named `name`, or null after a stderr line that names
// `factory` and its package.
GstElement* makeElement(const char* factory, const char* name = nullptr);

}  // namespace platform::media
