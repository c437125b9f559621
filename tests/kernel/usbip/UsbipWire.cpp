// USB/IP packets to and from bytes.
#include "UsbipWire.h"

#include <algorithm>

namespace usbip {
namespace {

uint32_t get32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint16_t get16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

void put32(Bytes& out, uint32_t v) {
    out.insert(out.end(), {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                           static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
}

void put16(Bytes& out, uint16_t v) {
    out.insert(out.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
}

// A zero-terminated text in a fixed field; longer texts are cut to keep the terminator.
void putFixed(Bytes& out, const std::string& s, size_t field) {
    const size_t n = std::min(s.size(), field - 1);
    out.insert(out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
    out.insert(out.end(), field - n, 0);
}

void putBasic(Bytes& out, uint32_t command, uint32_t seqNum) {
    put32(out, command);
    put32(out, seqNum);
    put32(out, 0);  // devid, direction and endpoint are the client's; a server sends zeros
    put32(out, 0);
    put32(out, 0);
}

}  // namespace

OpHeader parseOpHeader(const uint8_t* p) {
    return OpHeader{get16(p), get16(p + 2), get32(p + 4)};
}

Bytes opReply(uint16_t code, uint32_t status) {
    Bytes out;
    put16(out, kVersion);
    put16(out, code);
    put32(out, status);
    return out;
}

void appendDevice(Bytes& out, const ExportedDevice& d, bool withInterfaces) {
    putFixed(out, d.path, kPathBytes);
    putFixed(out, d.busId, kBusIdBytes);
    put32(out, d.busNum);
    put32(out, d.devNum);
    put32(out, d.speed);
    put16(out, d.idVendor);
    put16(out, d.idProduct);
    put16(out, d.bcdDevice);
    out.insert(out.end(), {d.deviceClass, d.deviceSubClass, d.deviceProtocol, d.configurationValue,
                           d.numConfigurations, static_cast<uint8_t>(d.interfaces.size())});
    if (withInterfaces) {
        for (const auto& i : d.interfaces) {
            out.insert(out.end(), {i[0], i[1], i[2], 0});
        }
    }
}

UrbCommand parseUrbCommand(const uint8_t* p) {
    UrbCommand c;
    c.command = get32(p);
    c.seqNum = get32(p + 4);
    c.devId = get32(p + 8);
    c.direction = get32(p + 12);
    c.endpoint = get32(p + 16);
    if (c.command == kCmdUnlink) {
        c.unlinkSeqNum = get32(p + 20);
        return c;
    }
    c.transferFlags = get32(p + 20);
    c.bufferLength = static_cast<int32_t>(get32(p + 24));
    c.startFrame = static_cast<int32_t>(get32(p + 28));
    c.numberOfPackets = static_cast<int32_t>(get32(p + 32));
    c.interval = static_cast<int32_t>(get32(p + 36));
    std::copy(p + 40, p + 48, c.setup.begin());
    return c;
}

std::vector<IsoPacket> parseIsoPackets(const uint8_t* p, size_t count) {
    std::vector<IsoPacket> out(count);
    for (size_t i = 0; i < count; ++i, p += kIsoDescriptorBytes) {
        out[i] =
            IsoPacket{get32(p), get32(p + 4), get32(p + 8), static_cast<int32_t>(get32(p + 12))};
    }
    return out;
}

Bytes retSubmit(uint32_t seqNum, int32_t status, uint32_t actualLength, const Bytes& inData,
                int32_t startFrame, const std::vector<IsoPacket>& iso) {
    Bytes out;
    out.reserve(kUrbHeaderBytes + inData.size() + iso.size() * kIsoDescriptorBytes);
    putBasic(out, kRetSubmit, seqNum);
    put32(out, static_cast<uint32_t>(status));
    put32(out, actualLength);
    put32(out, static_cast<uint32_t>(startFrame));
    put32(out, static_cast<uint32_t>(iso.size()));
    put32(out, 0);  // error count
    out.insert(out.end(), 8, 0);
    out.insert(out.end(), inData.begin(), inData.end());
    for (const IsoPacket& i : iso) {
        put32(out, i.offset);
        put32(out, i.length);
        put32(out, i.actualLength);
        put32(out, static_cast<uint32_t>(i.status));
    }
    return out;
}

Bytes retUnlink(uint32_t seqNum, int32_t status) {
    Bytes out;
    putBasic(out, kRetUnlink, seqNum);
    put32(out, static_cast<uint32_t>(status));
    out.insert(out.end(), 24, 0);
    return out;
}

}  // namespace usbip
