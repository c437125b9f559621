// Pieces both graph builds share: the floating-point guard and moving a kept filter between
// graphs.
#pragma once

#include <cfenv>

#include <gst/gst.h>

#include "platform/media/Filter.h"

namespace capture_detail {

// Floating-point exceptions stay masked for the whole build; the caller's environment comes back
// on every path.
class FpuGuard {
  public:
    FpuGuard() { std::feholdexcept(&saved_); }
    ~FpuGuard() { std::fesetenv(&saved_); }
    FpuGuard(const FpuGuard&) = delete;
    FpuGuard& operator=(const FpuGuard&) = delete;

  private:
    std::fenv_t saved_{};
};

// A filter joins one graph at a time: an element still held by an earlier pipeline leaves it.
inline void leaveOldGraph(const platform::media::Filter& f) {
    GstObject* parent = gst_object_get_parent(GST_OBJECT(f.element()));
    if (parent == nullptr) {
        return;
    }
    gst_element_set_state(f.element(), GST_STATE_NULL);
    if (GST_IS_BIN(parent)) {
        gst_bin_remove(GST_BIN(parent), f.element());
    }
    gst_object_unref(parent);
}

}  // namespace capture_detail
