// Descriptor bytes of the emulated microphone. Every descriptor's first byte is its own length:
// a wrong one makes the host skip the rest of the configuration.
#include "MicrophoneDescriptors.h"

#include <initializer_list>

namespace usbip {
namespace {

constexpr uint8_t kAudioClass = 0x01;
constexpr uint8_t kAudioControl = 0x01;
constexpr uint8_t kAudioStreaming = 0x02;
constexpr uint8_t kCsInterface = 0x24;
constexpr uint8_t kCsEndpoint = 0x25;

uint8_t lo(unsigned v) {
    return static_cast<uint8_t>(v & 0xff);
}
uint8_t hi(unsigned v) {
    return static_cast<uint8_t>((v >> 8) & 0xff);
}

void add(Bytes& out, std::initializer_list<uint8_t> descriptor) {
    out.insert(out.end(), descriptor);
}

}  // namespace

MicrophoneDescriptors::MicrophoneDescriptors(const MicrophoneIdentity& id) : id_(id) {
    device_ = {18,
               0x01,
               0x00,
               0x02,  // USB 2.0
               0x00,
               0x00,
               0x00,  // class per interface
               64,
               lo(id.vendorId),
               hi(id.vendorId),
               lo(id.productId),
               hi(id.productId),
               0x00,
               0x01,  // device release 1.00
               1,
               2,
               3,  // manufacturer, product, serial strings
               1};

    const unsigned rate = id.sampleRate;
    const uint16_t packet = maxPacket();
    // AudioControl: header, microphone input terminal (1), USB streaming output terminal (2).
    Bytes control;
    add(control, {9, kCsInterface, 0x01, 0x00, 0x01, 0, 0, 1, kStreamInterface});
    add(control, {12, kCsInterface, 0x02, 1, 0x01, 0x02, 0, 1, 0x00, 0x00, 0, 0});
    add(control, {9, kCsInterface, 0x03, 2, 0x01, 0x01, 0, 1, 0});
    control[5] = lo(static_cast<unsigned>(control.size()));
    control[6] = hi(static_cast<unsigned>(control.size()));

    Bytes& c = configuration_;
    add(c, {9, 0x02, 0, 0, 2, 1, 0, 0x80, 50});
    add(c, {9, 0x04, 0, 0, 0, kAudioClass, kAudioControl, 0, 0});
    c.insert(c.end(), control.begin(), control.end());
    // AudioStreaming: alternate 0 has no bandwidth; alternate 1 streams.
    add(c, {9, 0x04, kStreamInterface, 0, 0, kAudioClass, kAudioStreaming, 0, 0});
    add(c, {9, 0x04, kStreamInterface, 1, 1, kAudioClass, kAudioStreaming, 0, 0});
    add(c, {7, kCsInterface, 0x01, 2, 1, 0x01, 0x00});  // linked to terminal 2, PCM
    add(c, {11, kCsInterface, 0x02, 0x01, 1, 2, 16, 1, lo(rate), hi(rate), lo(rate >> 16)});
    // Isochronous, asynchronous; no sampling-rate control, so the host sets no rate.
    add(c, {9, 0x05, kStreamEndpoint, 0x05, lo(packet), hi(packet), 1, 0, 0});
    add(c, {7, kCsEndpoint, 0x01, 0x00, 0, 0, 0});
    c[2] = lo(static_cast<unsigned>(c.size()));
    c[3] = hi(static_cast<unsigned>(c.size()));
}

std::optional<Bytes> MicrophoneDescriptors::string(uint8_t index) const {
    if (index == 0) {
        return Bytes{4, 0x03, 0x09, 0x04};  // English (US)
    }
    const std::string* text = index == 1   ? &id_.manufacturer
                              : index == 2 ? &id_.product
                              : index == 3 ? &id_.serial
                                           : nullptr;
    if (text == nullptr) {
        return std::nullopt;
    }
    // UTF-16LE of ASCII texts; a descriptor holds at most 126 characters.
    const size_t n = std::min<size_t>(text->size(), 126);
    Bytes out{static_cast<uint8_t>(2 + 2 * n), 0x03};
    for (size_t i = 0; i < n; ++i) {
        out.push_back(static_cast<uint8_t>((*text)[i]));
        out.push_back(0);
    }
    return out;
}

uint16_t MicrophoneDescriptors::bytesPerFrame() const {
    return static_cast<uint16_t>(id_.sampleRate / 1000 * 2);
}

uint16_t MicrophoneDescriptors::maxPacket() const {
    return static_cast<uint16_t>(bytesPerFrame() + 2);  // room for one more sample
}

ExportedDevice MicrophoneDescriptors::exported(const std::string& busId) const {
    ExportedDevice d;
    d.path = "/sys/devices/usbip/" + busId;
    d.busId = busId;
    d.idVendor = id_.vendorId;
    d.idProduct = id_.productId;
    d.bcdDevice = 0x0100;
    d.interfaces = {{kAudioClass, kAudioControl, 0}, {kAudioClass, kAudioStreaming, 0}};
    return d;
}

}  // namespace usbip
