// The packet length mend: asfmux's padded packets become consistent with the fixed packet
// size, and nothing else it passes (header, index, consistent packets) is touched.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/media/AsfPacketFix.h"

using platform::media::AsfPacketFix;

namespace {

constexpr uint32_t kPacket = 4800;

// A data packet as asfmux writes it: no error correction, WORD length and padding (or DWORD
// length for packets over 64 KiB), its fixed property flags, payload bytes, zero padding.
std::vector<uint8_t> muxPacket(uint32_t size, uint32_t length, uint32_t padding) {
    std::vector<uint8_t> p(size, 0);
    const bool wide = size > 65535;
    p[0] = static_cast<uint8_t>((wide ? 3u : 2u) << 5 | 2u << 3 | 1u);
    p[1] = 0x5d;
    size_t at = 2;
    for (size_t i = 0; i < (wide ? 4u : 2u); ++i) {
        p[at++] = static_cast<uint8_t>(length >> (8 * i));
    }
    p[at++] = static_cast<uint8_t>(padding);
    p[at++] = static_cast<uint8_t>(padding >> 8);
    for (size_t i = at; i < length && i < size; ++i) {
        p[i] = static_cast<uint8_t>(0xA0 + i % 31);
    }
    return p;
}

uint32_t lengthField(const std::vector<uint8_t>& p, size_t bytes) {
    uint32_t v = 0;
    for (size_t i = bytes; i > 0; --i) {
        v = (v << 8) | p[1 + i];
    }
    return v;
}

TEST(AsfPacketFix, APaddedPacketsLengthBecomesThePacketSizeAndNothingElseChanges) {
    for (const auto& [length, padding] :
         {std::pair{384u, 4416u}, std::pair{2865u, 1935u}, std::pair{4790u, 10u}}) {
        std::vector<uint8_t> p = muxPacket(kPacket, length, padding);
        std::vector<uint8_t> want = p;
        want[2] = static_cast<uint8_t>(kPacket & 0xFF);
        want[3] = static_cast<uint8_t>(kPacket >> 8);
        EXPECT_TRUE(AsfPacketFix::mendDataPacket(p.data(), p.size(), kPacket)) << length;
        EXPECT_EQ(p, want) << length;
        // Mended once, it is consistent: a second pass leaves it.
        EXPECT_FALSE(AsfPacketFix::mendDataPacket(p.data(), p.size(), kPacket)) << length;
    }
    // A size over 64 KiB has a DWORD length.
    std::vector<uint8_t> big = muxPacket(70000, 69000, 1000);
    EXPECT_TRUE(AsfPacketFix::mendDataPacket(big.data(), big.size(), 70000));
    EXPECT_EQ(lengthField(big, 4), 70000u);
}

TEST(AsfPacketFix, WhatIsNotProvablyAnInconsistentPacketOfOursIsLeftAlone) {
    std::vector<std::vector<uint8_t>> untouched = {
        muxPacket(kPacket, kPacket, 0),    // full
        muxPacket(kPacket, kPacket, 200),  // length already counts the padding
        muxPacket(kPacket, 384, 100),      // fields that do not make the packet
    };
    std::vector<uint8_t> corrected = muxPacket(kPacket, 384, 4416);
    corrected[0] |= 0x80;  // error correction data present: not the multiplexer's layout
    untouched.push_back(corrected);
    std::vector<uint8_t> otherFlags = muxPacket(kPacket, 384, 4416);
    otherFlags[1] = 0x01;
    untouched.push_back(otherFlags);
    std::vector<uint8_t> noLength = muxPacket(kPacket, 384, 4416);
    noLength[0] &= static_cast<uint8_t>(~(3u << 5));
    untouched.push_back(noLength);
    // The header object's GUID where a packet would start.
    std::vector<uint8_t> header(kPacket, 0);
    const uint8_t guid[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
    std::memcpy(header.data(), guid, sizeof guid);
    untouched.push_back(header);
    for (size_t i = 0; i < untouched.size(); ++i) {
        std::vector<uint8_t> p = untouched[i];
        EXPECT_FALSE(AsfPacketFix::mendDataPacket(p.data(), p.size(), kPacket)) << i;
        EXPECT_EQ(p, untouched[i]) << i;
    }
    // A buffer of another size than the file's packets, and nothing at all.
    std::vector<uint8_t> shorter = muxPacket(kPacket, 384, 4416);
    EXPECT_FALSE(AsfPacketFix::mendDataPacket(shorter.data(), kPacket - 1, kPacket));
    EXPECT_FALSE(AsfPacketFix::mendDataPacket(nullptr, 0, 0));
}

}  // namespace
