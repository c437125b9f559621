// The emulated microphone without a kernel: its descriptors as a host walks them, its answers on
// endpoint 0, the tone it streams at real-time pace, cancelled URBs, and the USB/IP exchange
// over a real socket as `usbip attach` and vhci-hcd drive it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <thread>

#include <gtest/gtest.h>

#include "MicrophoneDevice.h"
#include "UsbipServer.h"

using namespace usbip;
using namespace std::chrono_literals;

namespace {

uint32_t be32(const Bytes& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
           b[at + 3];
}

void put32(Bytes& b, uint32_t v) {
    b.insert(b.end(), {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                       static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
}

// A CMD_SUBMIT header as vhci-hcd sends it.
Bytes submitHeader(uint32_t seq, uint32_t dir, uint32_t ep, uint32_t length, int32_t packets,
                   std::array<uint8_t, 8> setup = {}) {
    Bytes b;
    for (uint32_t v :
         {kCmdSubmit, seq, 0x10002u, dir, ep, 0u, length, 0u, static_cast<uint32_t>(packets), 1u}) {
        put32(b, v);
    }
    b.insert(b.end(), setup.begin(), setup.end());
    return b;
}

UrbCommand submit(uint32_t seq, uint32_t ep, std::array<uint8_t, 8> setup = {}) {
    return parseUrbCommand(submitHeader(seq, kDirIn, ep, 64, ep == 0 ? 0 : 8, setup).data());
}

std::vector<IsoPacket> packets(size_t n, uint32_t size) {
    std::vector<IsoPacket> p(n);
    for (size_t i = 0; i < n; ++i) {
        p[i].offset = static_cast<uint32_t>(i * size);
        p[i].length = size;
    }
    return p;
}

std::array<uint8_t, 8> getDescriptor(uint8_t type, uint8_t index, uint16_t length) {
    return {0x80,
            0x06,
            index,
            type,
            0,
            0,
            static_cast<uint8_t>(length),
            static_cast<uint8_t>(length >> 8)};
}

// The 16-bit samples of a RET_SUBMIT's data.
std::vector<int16_t> samplesOf(const Bytes& reply) {
    std::vector<int16_t> out;
    const uint32_t n = be32(reply, 24);
    for (size_t i = 0; i + 1 < n; i += 2) {
        out.push_back(static_cast<int16_t>(reply[48 + i] | (reply[48 + i + 1] << 8)));
    }
    return out;
}

}  // namespace

TEST(UsbipMicrophone, DescriptorsWalkAsTheHostWalksThem) {
    MicrophoneIdentity id;
    id.vendorId = 0x3a7b;
    id.productId = 0x0c01;
    id.product = std::string(200, 'x');  // longer than a string descriptor holds
    const MicrophoneDescriptors d(id);
    const Bytes& dev = d.device();
    ASSERT_EQ(dev.size(), 18u);
    EXPECT_EQ(dev[0], 18);
    EXPECT_EQ(dev[8] | (dev[9] << 8), 0x3a7b);
    EXPECT_EQ(dev[10] | (dev[11] << 8), 0x0c01);

    // Each descriptor's length leads to the next and they add up to wTotalLength; the audio
    // control header counts its class-specific descriptors exactly.
    const Bytes& c = d.configuration();
    ASSERT_EQ(static_cast<size_t>(c[2] | (c[3] << 8)), c.size());
    size_t at = 0;
    size_t controlTotal = 0;
    size_t controlCounted = 0;
    int interfaces = 0;
    int endpoints = 0;
    while (at < c.size()) {
        ASSERT_GE(c[at], 2) << "at " << at;
        if (c[at + 1] == 0x04) {
            ++interfaces;
        }
        if (c[at + 1] == 0x05) {
            ++endpoints;
            EXPECT_EQ(c[at + 2], kStreamEndpoint);
            EXPECT_GE(c[at + 4] | (c[at + 5] << 8), d.bytesPerFrame());
        }
        if (c[at + 1] == 0x24 && c[at + 2] == 0x01 && controlTotal == 0) {
            controlTotal = c[at + 5] | (c[at + 6] << 8);
        }
        if (c[at + 1] == 0x24 && interfaces == 1) {
            controlCounted += c[at];
        }
        at += c[at];
    }
    EXPECT_EQ(at, c.size());
    EXPECT_EQ(controlTotal, controlCounted);
    EXPECT_EQ(interfaces, 3);  // control, streaming alternates 0 and 1
    EXPECT_EQ(endpoints, 1);

    const auto product = d.string(2);
    ASSERT_TRUE(product.has_value());
    EXPECT_EQ(product->size(), 2u + 2 * 126);
    EXPECT_EQ((*product)[0], product->size());
    EXPECT_FALSE(d.string(9).has_value());
}

TEST(UsbipMicrophone, EndpointZeroAnswersEnumerationAndTheAudioClass) {
    MicrophoneDescriptors d{MicrophoneIdentity{}};
    ControlAnswers a(d);
    // The host first reads 9 bytes of the configuration, then all of it.
    ControlReply r = a.answer(getDescriptor(0x02, 0, 9));
    EXPECT_EQ(r.status, kStatusOk);
    EXPECT_EQ(r.data.size(), 9u);
    r = a.answer(getDescriptor(0x02, 0, 0xffff));
    EXPECT_EQ(r.data, d.configuration());
    EXPECT_EQ(a.answer(getDescriptor(0x06, 0, 10)).status, kStatusStall) << "no qualifier";
    EXPECT_EQ(a.answer(getDescriptor(0x03, 7, 255)).status, kStatusStall);

    EXPECT_FALSE(a.streaming());
    EXPECT_EQ(a.answer({0x01, 0x0b, 1, 0, kStreamInterface, 0, 0, 0}).status, kStatusOk);
    EXPECT_TRUE(a.streaming());
    EXPECT_EQ(a.answer({0x81, 0x0a, 0, 0, kStreamInterface, 0, 1, 0}).data, Bytes{1});
    EXPECT_EQ(a.answer({0x01, 0x0b, 2, 0, kStreamInterface, 0, 0, 0}).status, kStatusStall);
    // A sampling-rate read on the endpoint: 48000 in three bytes.
    r = a.answer({0xa2, 0x81, 0, 1, kStreamEndpoint, 0, 3, 0});
    EXPECT_EQ(r.data, (Bytes{0x80, 0xbb, 0x00}));
    a.reset();
    EXPECT_FALSE(a.streaming());
}

TEST(UsbipMicrophone, IsochronousUrbsCompleteInRealTimeWithAContinuousTone) {
    MicrophoneIdentity id;
    id.toneHz = 1000;
    MicrophoneDevice dev(id);
    const auto t0 = MicrophoneDevice::Clock::now();
    dev.command(submit(1, 0, {0x01, 0x0b, 1, 0, kStreamInterface, 0, 0, 0}), {}, {}, t0);

    // Two URBs of 8 one-millisecond packets: the first is due after 8 ms, the second 8 ms later.
    EXPECT_TRUE(dev.command(submit(2, 1), {}, packets(8, 98), t0).empty());
    EXPECT_TRUE(dev.command(submit(3, 1), {}, packets(8, 98), t0).empty());
    EXPECT_TRUE(dev.due(t0 + 7ms).empty());
    std::vector<Bytes> r = dev.due(t0 + 8ms);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(be32(r[0], 0), kRetSubmit);
    EXPECT_EQ(be32(r[0], 4), 2u);
    EXPECT_EQ(be32(r[0], 24), 8u * 96) << "48 samples of 2 bytes a packet";
    EXPECT_EQ(be32(r[0], 32), 8u) << "the packet count is echoed";
    EXPECT_EQ(r[0].size(), 48u + 8 * 96 + 8 * kIsoDescriptorBytes);
    const size_t lastPacket = 48 + 8 * 96 + 7 * kIsoDescriptorBytes;
    EXPECT_EQ(be32(r[0], lastPacket), 7u * 98) << "offset as asked";
    EXPECT_EQ(be32(r[0], lastPacket + 8), 96u) << "actual length";
    EXPECT_TRUE(dev.due(t0 + 15ms).empty());
    std::vector<Bytes> second = dev.due(t0 + 16ms);
    ASSERT_EQ(second.size(), 1u);

    // A second of tone: 1000 periods, no jump where one packet ends and the next begins.
    std::vector<int16_t> s = samplesOf(r[0]);
    const std::vector<int16_t> s2 = samplesOf(second[0]);
    s.insert(s.end(), s2.begin(), s2.end());
    for (uint32_t seq = 4; s.size() < 48000; ++seq) {
        const auto t = t0 + 16ms + std::chrono::milliseconds(8 * (seq - 3));
        dev.command(submit(seq, 1), {}, packets(8, 98), t);
        for (const Bytes& b : dev.due(t + 8ms)) {
            const std::vector<int16_t> more = samplesOf(b);
            s.insert(s.end(), more.begin(), more.end());
        }
    }
    s.resize(48000);
    int rising = 0;
    int largestStep = 0;
    for (size_t i = 1; i < s.size(); ++i) {
        rising += s[i - 1] < 0 && s[i] >= 0 ? 1 : 0;
        largestStep = std::max(largestStep, std::abs(s[i] - s[i - 1]));
    }
    EXPECT_NEAR(rising, 1000, 1);
    EXPECT_LE(largestStep, static_cast<int>(16384 * 2 * M_PI * 1000 / 48000) + 2);
}

TEST(UsbipMicrophone, AnUnlinkedUrbNeverCompletesAndALateUnlinkFindsNothing) {
    MicrophoneDevice dev{MicrophoneIdentity{}};
    const auto t0 = MicrophoneDevice::Clock::now();
    dev.command(submit(5, 1), {}, packets(4, 98), t0);
    dev.command(submit(6, 1), {}, packets(4, 98), t0);
    UrbCommand unlink;
    unlink.command = kCmdUnlink;
    unlink.seqNum = 7;
    unlink.unlinkSeqNum = 5;
    std::vector<Bytes> r = dev.command(unlink, {}, {}, t0);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(be32(r[0], 0), kRetUnlink);
    EXPECT_EQ(be32(r[0], 4), 7u);
    EXPECT_EQ(static_cast<int32_t>(be32(r[0], 20)), -104) << "-ECONNRESET";
    r = dev.due(t0 + 1s);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(be32(r[0], 4), 6u);
    EXPECT_EQ(be32(r[0], 24), 0u) << "not streaming: empty packets";
    unlink.seqNum = 8;
    unlink.unlinkSeqNum = 6;
    r = dev.command(unlink, {}, {}, t0 + 1s);
    EXPECT_EQ(be32(r[0], 20), 0u);
}

TEST(UsbipMicrophone, ServesTheListTheImportAndUrbsOverASocketUntilTheHostLeaves) {
    MicrophoneIdentity id;
    id.productId = 0x0c01;
    MicrophoneDevice dev(id);
    UsbipServer server(dev, "1-1", 0);
    ASSERT_TRUE(server.listen());
    std::thread serving([&] {
        for (int i = 0; i < 3; ++i) {
            server.serveNext();
        }
    });
    auto connect = [&] {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(server.port());
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        return fd;
    };
    auto exchange = [](int fd, const Bytes& out, size_t want) {
        EXPECT_EQ(::send(fd, out.data(), out.size(), 0), static_cast<ssize_t>(out.size()));
        Bytes in(want);
        size_t got = 0;
        while (got < want) {
            const ssize_t n = ::recv(fd, in.data() + got, want - got, 0);
            if (n <= 0) {
                break;
            }
            got += static_cast<size_t>(n);
        }
        in.resize(got);
        return in;
    };
    auto opRequest = [](uint16_t code, const std::string& busId) {
        Bytes b{0x01, 0x11, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code), 0, 0,
                0,    0};
        if (!busId.empty()) {
            b.insert(b.end(), busId.begin(), busId.end());
            b.insert(b.end(), kBusIdBytes - busId.size(), 0);
        }
        return b;
    };

    int fd = connect();
    Bytes list = exchange(fd, opRequest(kOpReqDevlist, ""), 12 + 0x138 + 2 * 4);
    ::close(fd);
    ASSERT_EQ(list.size(), 12u + 0x138 + 8);
    EXPECT_EQ(be32(list, 8), 1u) << "one device";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&list[12 + 256])), "1-1");
    EXPECT_EQ((list[12 + 0x12e] << 8) | list[12 + 0x12f], 0x0c01);
    EXPECT_EQ(list[12 + 0x137], 2) << "interfaces";

    fd = connect();
    Bytes refused = exchange(fd, opRequest(kOpReqImport, "2-1"), 8);
    ::close(fd);
    ASSERT_EQ(refused.size(), 8u);
    EXPECT_EQ(be32(refused, 4), 1u);

    fd = connect();
    Bytes imported = exchange(fd, opRequest(kOpReqImport, "1-1"), 8 + 0x138);
    ASSERT_EQ(imported.size(), 8u + 0x138);
    EXPECT_EQ(be32(imported, 4), 0u);
    EXPECT_EQ(be32(imported, 0x130), kSpeedFull);
    const Bytes reply =
        exchange(fd, submitHeader(9, kDirIn, 0, 18, 0, getDescriptor(0x01, 0, 18)), 48 + 18);
    ASSERT_EQ(reply.size(), 48u + 18);
    EXPECT_EQ(be32(reply, 0), kRetSubmit);
    EXPECT_EQ(be32(reply, 4), 9u);
    EXPECT_EQ(Bytes(reply.begin() + 48, reply.end()), dev.descriptors().device());
    ::close(fd);  // the detach: the server goes back to accepting
    serving.join();
}
