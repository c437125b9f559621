// The controls of a v4l2src whose node is no camera (this machine has none): found inside the
// bins a real camera is bound in, and nothing offered.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <gst/gst.h>

#include "platform/media/CameraControls.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/VirtualSources.h"

using namespace platform::media;

namespace {

struct Unref {
    void operator()(GstElement* e) const { gst_object_unref(e); }
};
using Element = std::unique_ptr<GstElement, Unref>;

Element owned(GstElement* e) {
    return Element(e != nullptr ? GST_ELEMENT(gst_object_ref_sink(e)) : nullptr);
}

}  // namespace

TEST(CameraControls, V4l2SourceOnANodeThatIsNoCameraOffersNothing) {
    ASSERT_TRUE(MediaRuntime::initialise());
    for (const char* node : {"/dev/null", "/dev/no-such-camera", ""}) {
        GstElement* src = gst_element_factory_make("v4l2src", nullptr);
        ASSERT_NE(src, nullptr) << "v4l2src comes with gstreamer1.0-plugins-good";
        g_object_set(src, "device", node, nullptr);
        Element bare = owned(src);
        EXPECT_TRUE(CameraControls::list(bare.get()).empty()) << node;
        EXPECT_FALSE(CameraControls::set(bare.get(), "Brightness", 1)) << node;

        // As a real camera is bound: inside a wrapper bin.
        Element wrapped = owned(VirtualSources::wrapSource(src));  // the bin adds its own reference
        ASSERT_NE(wrapped, nullptr);
        EXPECT_TRUE(CameraControls::list(wrapped.get()).empty()) << node;
        EXPECT_FALSE(CameraControls::set(wrapped.get(), "Brightness", 1)) << node;
        EXPECT_EQ(CameraControls::v4l2Node(bare.get()), node);
        Element outer = owned(gst_bin_new(nullptr));
        gst_bin_add(GST_BIN(outer.get()), wrapped.get());  // takes its own reference
        EXPECT_EQ(CameraControls::v4l2Node(outer.get()), node);
    }
}
