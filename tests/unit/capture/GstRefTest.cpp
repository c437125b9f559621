// The GStreamer reference owner: counts really change on adopt, ref, move, clone and reset.
#include <gtest/gtest.h>

#include <gst/gst.h>

#include "platform/media/GstRef.h"
#include "platform/media/MediaRuntime.h"

using platform::media::GstRef;

namespace {

guint refs(gpointer o) {
    return G_OBJECT(o)->ref_count;
}

TEST(GstRef, CountsFollowOwnership) {
    ASSERT_TRUE(platform::media::MediaRuntime::initialise());
    GstElement* e = gst_element_factory_make("identity", nullptr);
    ASSERT_NE(e, nullptr);
    GWeakRef weak;
    g_weak_ref_init(&weak, e);
    {
        // A floating reference is sunk, not doubled.
        GstRef<GstElement> a = GstRef<GstElement>::ref(e);
        EXPECT_FALSE(g_object_is_floating(e));
        EXPECT_EQ(refs(e), 1u);
        GstRef<GstElement> b = a.clone();
        EXPECT_EQ(refs(e), 2u);
        GstRef<GstElement> c = std::move(a);
        EXPECT_FALSE(a);
        EXPECT_EQ(refs(e), 2u);
        b = std::move(c);  // b's own reference goes, c's moves in
        EXPECT_EQ(refs(e), 1u);
        GstElement* raw = b.release();
        EXPECT_EQ(refs(raw), 1u);
        GstRef<GstElement> d = GstRef<GstElement>::adopt(raw);
        EXPECT_EQ(refs(e), 1u);
    }
    GObject* gone = static_cast<GObject*>(g_weak_ref_get(&weak));
    EXPECT_EQ(gone, nullptr);
    g_weak_ref_clear(&weak);

    GstCaps* caps = gst_caps_new_empty_simple("video/x-raw");
    {
        GstRef<GstCaps> a = GstRef<GstCaps>::ref(caps);
        EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(caps), 2);
    }
    EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(caps), 1);
    gst_caps_unref(caps);
}

}  // namespace
