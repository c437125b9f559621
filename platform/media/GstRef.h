// Move-only owner of one GObject or GstMiniObject reference.
#pragma once

#include <utility>

#include <gst/gst.h>

namespace platform::media {

// Ref policy per type family: GObjects are ref-sunk (a GstObject starts floating), mini
// objects (caps, messages, samples) use their own counters.
template <typename T>
struct GstRefTraits {
    static void ref(T* p) { g_object_ref_sink(p); }
    static void unref(T* p) { g_object_unref(p); }
};
template <>
struct GstRefTraits<GstCaps> {
    static void ref(GstCaps* p) { gst_caps_ref(p); }
    static void unref(GstCaps* p) { gst_caps_unref(p); }
};
template <>
struct GstRefTraits<GstMessage> {
    static void ref(GstMessage* p) { gst_message_ref(p); }
    static void unref(GstMessage* p) { gst_message_unref(p); }
};
template <>
struct GstRefTraits<GstBuffer> {
    static void ref(GstBuffer* p) { gst_buffer_ref(p); }
    static void unref(GstBuffer* p) { gst_buffer_unref(p); }
};
template <>
struct GstRefTraits<GstSample> {
    static void ref(GstSample* p) { gst_sample_ref(p); }
    static void unref(GstSample* p) { gst_sample_unref(p); }
};

template <typename T>
class GstRef {
  public:
    GstRef() = default;
    ~GstRef() { reset(); }
    GstRef(GstRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    GstRef& operator=(GstRef&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    GstRef(const GstRef&) = delete;
    GstRef& operator=(const GstRef&) = delete;

    // Takes over a reference handed to us (transfer full).
    static GstRef adopt(T* p) {
        GstRef r;
        r.p_ = p;
        return r;
    }
    // Adds our own reference to a borrowed pointer; a floating reference is sunk.
    static GstRef ref(T* p) {
        GstRef r;
        if (p != nullptr) {
            GstRefTraits<T>::ref(p);
        }
        r.p_ = p;
        return r;
    }

    T* get() const { return p_; }
    T* release() { return std::exchange(p_, nullptr); }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_ != nullptr) {
            GstRefTraits<T>::unref(std::exchange(p_, nullptr));
        }
    }
    GstRef clone() const { return p_ != nullptr ? ref(p_) : GstRef(); }

  private:
    T* p_ = nullptr;
};

}  // namespace platform::media
