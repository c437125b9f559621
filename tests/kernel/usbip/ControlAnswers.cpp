// Endpoint 0 of the emulated microphone.
#include "ControlAnswers.h"

#include <algorithm>

namespace usbip {
namespace {

constexpr uint8_t kGetStatus = 0x00;
constexpr uint8_t kGetDescriptor = 0x06;
constexpr uint8_t kGetConfiguration = 0x08;
constexpr uint8_t kSetConfiguration = 0x09;
constexpr uint8_t kGetInterface = 0x0a;
constexpr uint8_t kSetInterface = 0x0b;
constexpr uint8_t kClearFeature = 0x01;
constexpr uint8_t kSetFeature = 0x03;

constexpr uint8_t kTypeMask = 0x60;
constexpr uint8_t kTypeClass = 0x20;
constexpr uint8_t kRequestIn = 0x80;

ControlReply ok(Bytes data = {}) {
    return ControlReply{kStatusOk, std::move(data)};
}

ControlReply stall() {
    return ControlReply{kStatusStall, {}};
}

}  // namespace

ControlReply ControlAnswers::answer(const std::array<uint8_t, 8>& setup) {
    const uint8_t requestType = setup[0];
    const uint8_t request = setup[1];
    const auto value = static_cast<uint16_t>(setup[2] | (setup[3] << 8));
    const auto index = static_cast<uint16_t>(setup[4] | (setup[5] << 8));
    const auto length = static_cast<uint16_t>(setup[6] | (setup[7] << 8));

    ControlReply reply;
    if ((requestType & kTypeMask) == kTypeClass) {
        // Audio class GET_CUR/MIN/MAX/RES on anything: the fixed rate for a sampling-rate
        // control (3 bytes), zeros otherwise; SET_CUR and the rest are accepted as they come.
        if ((requestType & kRequestIn) != 0) {
            reply.data.assign(length, 0);
            if (length == 3) {
                const uint32_t rate = d_.bytesPerFrame() / 2 * 1000;
                reply.data = {static_cast<uint8_t>(rate), static_cast<uint8_t>(rate >> 8),
                              static_cast<uint8_t>(rate >> 16)};
            }
        }
    } else {
        reply = standard(requestType, request, value, index);
    }
    if (reply.data.size() > length) {
        reply.data.resize(length);
    }
    return reply;
}

ControlReply ControlAnswers::standard(uint8_t requestType, uint8_t request, uint16_t value,
                                      uint16_t index) {
    switch (request) {
        case kGetDescriptor: {
            const auto type = static_cast<uint8_t>(value >> 8);
            const auto which = static_cast<uint8_t>(value & 0xff);
            if (type == 0x01) {
                return ok(d_.device());
            }
            if (type == 0x02 && which == 0) {
                return ok(d_.configuration());
            }
            if (type == 0x03) {
                if (auto s = d_.string(which)) {
                    return ok(*s);
                }
            }
            return stall();  // a full-speed-only device has no qualifier
        }
        case kSetConfiguration:
            if (value > 1) {
                return stall();
            }
            configuration_ = static_cast<uint8_t>(value);
            streamAlternate_ = 0;
            return ok();
        case kGetConfiguration:
            return ok({configuration_});
        case kSetInterface:
            if (index == kStreamInterface && value <= 1) {
                streamAlternate_ = static_cast<uint8_t>(value);
                return ok();
            }
            return index == 0 && value == 0 ? ok() : stall();
        case kGetInterface:
            return ok({index == kStreamInterface ? streamAlternate_ : uint8_t{0}});
        case kGetStatus:
            return ok({0, 0});
        case kClearFeature:
        case kSetFeature:
            return ok();
        default:
            (void)requestType;
            return stall();
    }
}

}  // namespace usbip
