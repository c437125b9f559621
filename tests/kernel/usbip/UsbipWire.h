// The USB/IP wire format: operation packets that list and import a device, and the 48-byte URB
// headers that follow once vhci-hcd owns the connection. Every field is big-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace usbip {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kVersion = 0x0111;
constexpr uint16_t kOpReqDevlist = 0x8005;
constexpr uint16_t kOpRepDevlist = 0x0005;
constexpr uint16_t kOpReqImport = 0x8003;
constexpr uint16_t kOpRepImport = 0x0003;
constexpr size_t kOpHeaderBytes = 8;
constexpr size_t kBusIdBytes = 32;
constexpr size_t kPathBytes = 256;

constexpr uint32_t kCmdSubmit = 1;
constexpr uint32_t kCmdUnlink = 2;
constexpr uint32_t kRetSubmit = 3;
constexpr uint32_t kRetUnlink = 4;
constexpr uint32_t kDirIn = 1;
constexpr size_t kUrbHeaderBytes = 48;
constexpr size_t kIsoDescriptorBytes = 16;

// Linux USB speeds as vhci-hcd's attach file takes them.
constexpr uint32_t kSpeedFull = 2;

struct OpHeader {
    uint16_t version = 0;
    uint16_t code = 0;
    uint32_t status = 0;
};

// What OP_REP_DEVLIST and OP_REP_IMPORT say about the exported device.
struct ExportedDevice {
    std::string path;
    std::string busId;
    uint32_t busNum = 1;
    uint32_t devNum = 1;
    uint32_t speed = kSpeedFull;
    uint16_t idVendor = 0;
    uint16_t idProduct = 0;
    uint16_t bcdDevice = 0;
    uint8_t deviceClass = 0;
    uint8_t deviceSubClass = 0;
    uint8_t deviceProtocol = 0;
    uint8_t configurationValue = 1;
    uint8_t numConfigurations = 1;
    // class, subclass, protocol of each interface (listed in OP_REP_DEVLIST only)
    std::vector<std::array<uint8_t, 3>> interfaces;
};

// One URB header as the client sends it (CMD_SUBMIT or CMD_UNLINK).
struct UrbCommand {
    uint32_t command = 0;
    uint32_t seqNum = 0;
    uint32_t devId = 0;
    uint32_t direction = 0;
    uint32_t endpoint = 0;
    uint32_t transferFlags = 0;      // CMD_SUBMIT
    int32_t bufferLength = 0;        // CMD_SUBMIT
    int32_t startFrame = 0;          // CMD_SUBMIT
    int32_t numberOfPackets = 0;     // CMD_SUBMIT
    int32_t interval = 0;            // CMD_SUBMIT
    std::array<uint8_t, 8> setup{};  // CMD_SUBMIT, little-endian USB setup packet as sent
    uint32_t unlinkSeqNum = 0;       // CMD_UNLINK: the submission to cancel
};

struct IsoPacket {
    uint32_t offset = 0;
    uint32_t length = 0;
    uint32_t actualLength = 0;
    int32_t status = 0;
};

OpHeader parseOpHeader(const uint8_t* p);
Bytes opReply(uint16_t code, uint32_t status);
void appendDevice(Bytes& out, const ExportedDevice& d, bool withInterfaces);

UrbCommand parseUrbCommand(const uint8_t* p);
std::vector<IsoPacket> parseIsoPackets(const uint8_t* p, size_t count);

// RET_SUBMIT: `actualLength` bytes moved, of which IN data travels with the reply; an
// isochronous URB's data is its packets' data back to back, then one descriptor per packet.
Bytes retSubmit(uint32_t seqNum, int32_t status, uint32_t actualLength, const Bytes& inData,
                int32_t startFrame, const std::vector<IsoPacket>& iso);
Bytes retUnlink(uint32_t seqNum, int32_t status);

}  // namespace usbip
