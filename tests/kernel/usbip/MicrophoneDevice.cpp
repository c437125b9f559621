// URB handling of the emulated microphone.
#include "MicrophoneDevice.h"

#include <algorithm>

namespace usbip {
namespace {

constexpr int32_t kStatusUnlinked = -104;  // -ECONNRESET: the URB was cancelled

}  // namespace

MicrophoneDevice::MicrophoneDevice(const MicrophoneIdentity& id)
    : descriptors_(id),
      control_(descriptors_),
      tone_(id.toneHz, id.sampleRate),
      iso_(std::chrono::milliseconds(1)) {}

std::vector<Bytes> MicrophoneDevice::command(const UrbCommand& c, const Bytes& outData,
                                             std::vector<IsoPacket> iso, Clock::time_point now) {
    if (c.command == kCmdUnlink) {
        // Unlinked before completion: no RET_SUBMIT follows. Already completed: status 0.
        return {retUnlink(c.seqNum, iso_.unlink(c.unlinkSeqNum) ? kStatusUnlinked : 0)};
    }
    if (c.command != kCmdSubmit) {
        return {};
    }
    if (c.endpoint == 0) {
        const ControlReply r = control_.answer(c.setup);
        const bool in = c.direction == kDirIn;
        const auto moved = static_cast<uint32_t>(in ? r.data.size() : outData.size());
        return {retSubmit(c.seqNum, r.status, r.status == kStatusOk ? moved : 0,
                          in ? r.data : Bytes{}, 0, {})};
    }
    if (c.endpoint == (kStreamEndpoint & 0x0f) && c.direction == kDirIn) {
        iso_.submit(c.seqNum, c.startFrame, std::move(iso), now);
        return {};
    }
    return {retSubmit(c.seqNum, kStatusStall, 0, {}, 0, {})};
}

std::vector<Bytes> MicrophoneDevice::due(Clock::time_point now) {
    std::vector<Bytes> out;
    const size_t frameBytes = descriptors_.bytesPerFrame();
    for (PendingIso& p : iso_.takeDue(now)) {
        Bytes data;
        for (IsoPacket& packet : p.packets) {
            // Whole samples only; an alternate setting of 0 would carry nothing.
            const size_t n =
                control_.streaming() ? std::min<size_t>(packet.length, frameBytes) & ~size_t{1} : 0;
            tone_.append(data, n / 2);
            packet.actualLength = static_cast<uint32_t>(n);
            packet.status = 0;
        }
        out.push_back(retSubmit(p.seqNum, 0, static_cast<uint32_t>(data.size()), data, p.startFrame,
                                p.packets));
    }
    return out;
}

void MicrophoneDevice::reset() {
    iso_.clear();
    control_.reset();
}

}  // namespace usbip
