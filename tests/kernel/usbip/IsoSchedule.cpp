// Deadlines of queued isochronous URBs.
#include "IsoSchedule.h"

#include <algorithm>

namespace usbip {

void IsoSchedule::submit(uint32_t seqNum, int32_t startFrame, std::vector<IsoPacket> packets,
                         Clock::time_point now) {
    const Clock::time_point base = std::max(now, lastDue_);
    lastDue_ = base + frame_ * static_cast<int64_t>(packets.size());
    queue_.push_back(PendingIso{seqNum, startFrame, std::move(packets), lastDue_});
}

bool IsoSchedule::unlink(uint32_t seqNum) {
    const auto it = std::find_if(queue_.begin(), queue_.end(),
                                 [&](const PendingIso& p) { return p.seqNum == seqNum; });
    if (it == queue_.end()) {
        return false;
    }
    queue_.erase(it);
    return true;
}

std::optional<IsoSchedule::Clock::time_point> IsoSchedule::nextDue() const {
    if (queue_.empty()) {
        return std::nullopt;
    }
    return queue_.front().due;
}

std::vector<PendingIso> IsoSchedule::takeDue(Clock::time_point now) {
    std::vector<PendingIso> out;
    while (!queue_.empty() && queue_.front().due <= now) {
        out.push_back(std::move(queue_.front()));
        queue_.pop_front();
    }
    return out;
}

void IsoSchedule::clear() {
    queue_.clear();
    lastDue_ = {};
}

}  // namespace usbip
