// AutoLock: the scoped guard over the main window's busy flag (window thread only).
#pragma once

#include <cstdint>
#include <functional>

namespace gallery {

class AutoLock {
  public:
    static constexpr uint32_t kWaitMs = 100;
    // Every user tests the flag before taking it, so a wait means a caller that did not; on
    // the one thread that uses the flag the holder cannot finish while we sleep, so the wait is
    // bounded and, when it runs out, the guard does not own the flag.
    static constexpr int kMaxWaitRounds = 50;

    // Waits (kWaitMs at a time, through platform::sleepMs) until the flag is 0, then adds 1.
    explicit AutoLock(int32_t& busy);
    ~AutoLock();  // subtracts 1 when the guard owns the flag

    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

    bool owns() const { return owns_; }

  private:
    int32_t& busy_;
    bool owns_ = false;
};

}  // namespace gallery
