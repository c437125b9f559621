// Isochronous IN URBs waiting for their time: a device streams in real time, one packet per
// frame, so each queued URB completes when the frames before it and its own have passed.
// Without this pacing the host would take sound faster than it is made.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "UsbipWire.h"

namespace usbip {

struct PendingIso {
    uint32_t seqNum = 0;
    int32_t startFrame = 0;
    std::vector<IsoPacket> packets;
    std::chrono::steady_clock::time_point due;
};

class IsoSchedule {
  public:
    using Clock = std::chrono::steady_clock;

    explicit IsoSchedule(std::chrono::microseconds frame) : frame_(frame) {}

    // Queues a URB behind the others; after an idle spell the stream starts again from `now`.
    void submit(uint32_t seqNum, int32_t startFrame, std::vector<IsoPacket> packets,
                Clock::time_point now);
    // Removes a URB that has not completed yet; false when there is none by that number.
    bool unlink(uint32_t seqNum);
    std::optional<Clock::time_point> nextDue() const;
    // The URBs whose time has come, oldest first.
    std::vector<PendingIso> takeDue(Clock::time_point now);
    void clear();

  private:
    std::chrono::microseconds frame_;
    std::deque<PendingIso> queue_;
    Clock::time_point lastDue_{};
};

}  // namespace usbip
