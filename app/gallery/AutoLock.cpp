// Busy-flag guard.
#include "app/gallery/AutoLock.h"

#include "platform/Sleep.h"

namespace gallery {

AutoLock::AutoLock(int32_t& busy) : busy_(busy) {
    for (int round = 0; busy_ != 0; ++round) {
        if (round == kMaxWaitRounds) {
            return;
        }
        platform::sleepMs(kWaitMs);
    }
    busy_ += 1;
    owns_ = true;
}

AutoLock::~AutoLock() {
    if (owns_) {
        busy_ -= 1;
    }
}

}  // namespace gallery
