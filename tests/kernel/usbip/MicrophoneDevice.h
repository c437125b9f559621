// The emulated microphone behind a USB/IP connection: turns each URB the host submits into
// its reply. Control transfers and unlinks are answered at once; isochronous IN URBs are
// filled with the tone when their frames have passed. No sockets here.
#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "ControlAnswers.h"
#include "IsoSchedule.h"
#include "MicrophoneDescriptors.h"
#include "ToneSource.h"

namespace usbip {

class MicrophoneDevice {
  public:
    using Clock = std::chrono::steady_clock;

    explicit MicrophoneDevice(const MicrophoneIdentity& id);

    const MicrophoneDescriptors& descriptors() const { return descriptors_; }
    // `outData` is the OUT data of a submission, `iso` its packet descriptors.
    std::vector<Bytes> command(const UrbCommand& c, const Bytes& outData,
                               std::vector<IsoPacket> iso, Clock::time_point now);
    std::vector<Bytes> due(Clock::time_point now);
    std::optional<Clock::time_point> nextDue() const { return iso_.nextDue(); }
    // The host went away: queued URBs die with the connection; a new one enumerates afresh.
    void reset();
    uint64_t samplesSent() const { return tone_.samplesMade(); }

  private:
    MicrophoneDescriptors descriptors_;
    ControlAnswers control_;
    ToneSource tone_;
    IsoSchedule iso_;
};

}  // namespace usbip
