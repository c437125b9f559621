// Hand-offs through GLib, GStreamer and Qt made visible to ThreadSanitizer; no-ops otherwise.
//
// Those libraries pass objects between threads under futex-based locks in code that is not
// instrumented, so TSan cannot see that what one thread wrote before the hand-off is complete
// when another thread receives it. Call tsanRelease(token) on the sending side just before the
// hand-off (adding a probe or callback, posting an event) and tsanAcquire(token) on the
// receiving side before reading; the token is the address both sides know.
#pragma once

#if defined(__SANITIZE_THREAD__)
#define PEEKBOX_TSAN_ANNOTATE 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PEEKBOX_TSAN_ANNOTATE 1
#endif
#endif

#if defined(PEEKBOX_TSAN_ANNOTATE)
#include <sanitizer/tsan_interface.h>
#endif

namespace platform {

inline void tsanRelease([[maybe_unused]] const void* token) {
#if defined(PEEKBOX_TSAN_ANNOTATE)
    __tsan_release(const_cast<void*>(token));
#endif
}

inline void tsanAcquire([[maybe_unused]] const void* token) {
#if defined(PEEKBOX_TSAN_ANNOTATE)
    __tsan_acquire(const_cast<void*>(token));
#endif
}

}  // namespace platform
