// YUY2 to 24-bit still conversion and RGB24 row copies.
#include <gtest/gtest.h>

#include <vector>

#include "filter/StillConvert.h"
#include "tests/unit/filter/FilterTestSupport.h"

using namespace filter;

namespace {

// The conversion formula in exact rational arithmetic (tenths), independent of the kernel's code.
uint8_t expectChannel(int64_t tenths) {
    if (tenths < 0) {
        return 0;
    }
    if (tenths > 2550) {
        return 255;
    }
    return static_cast<uint8_t>(tenths / 10);
}

Bgr expected(int y, int u, int v) {
    const int64_t up = u - 128, vp = v - 128;
    return {expectChannel(10 * y + 16 * up), expectChannel(10 * y - 9 * vp - 5 * up),
            expectChannel(10 * y + 15 * vp)};
}

}  // namespace

TEST(StillConvert, RedOfTheStampBecomesBlue20Green0Red249) {
    EXPECT_EQ(yuvToBgr(81, 90, 240), (Bgr{20, 0, 249}));
    const uint8_t mp[4] = {81, 90, 81, 240};
    uint8_t out[6] = {};
    yuy2ToBgr(mp, 4, 2, 1, out, 6);
    EXPECT_EQ(out[0], 20);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 249);
    EXPECT_EQ(out[3], 20);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(out[5], 249);
}

TEST(StillConvert, ClampsAndTruncates) {
    EXPECT_EQ(yuvToBgr(255, 255, 255), (Bgr{255, 77, 255}));  // green 255 - 114.3 - 63.5 = 77.2
    EXPECT_EQ(yuvToBgr(0, 0, 0), (Bgr{0, 179, 0}));           // green 0 + 115.2 + 64 = 179.2
    EXPECT_EQ(yuvToBgr(16, 128, 128), (Bgr{16, 16, 16}));
    EXPECT_EQ(yuvToBgr(100, 129, 128), (Bgr{101, 99, 100}));  // 101.6 and 99.5 truncated
}

TEST(StillConvert, EveryYuvCombinationMatchesTheFormula) {
    // 256 rows of 256 pixels per (U, V) block: Y0 = x, Y1 = x + 1 within a macropixel.
    constexpr int32_t w = 256;
    std::vector<uint8_t> src(static_cast<size_t>(w) * 2 * 256);
    std::vector<uint8_t> dst(static_cast<size_t>(w) * 3 * 256);
    for (int u = 0; u < 256; ++u) {
        for (int v = 0; v < 256; ++v) {
            uint8_t* s = src.data() + static_cast<size_t>(v) * w * 2;
            for (int x = 0; x < w; x += 2) {
                s[2 * x] = static_cast<uint8_t>(x);
                s[2 * x + 1] = static_cast<uint8_t>(u);
                s[2 * x + 2] = static_cast<uint8_t>(x + 1);
                s[2 * x + 3] = static_cast<uint8_t>(v);
            }
        }
        yuy2ToBgr(src.data(), w * 2, w, 256, dst.data(), w * 3);
        for (int v = 0; v < 256; ++v) {
            const uint8_t* d = dst.data() + static_cast<size_t>(v) * w * 3;
            for (int x = 0; x < w; ++x) {
                const Bgr e = expected(x, u, v);
                ASSERT_EQ(d[3 * x], e.b) << "y " << x << " u " << u << " v " << v;
                ASSERT_EQ(d[3 * x + 1], e.g) << "y " << x << " u " << u << " v " << v;
                ASSERT_EQ(d[3 * x + 2], e.r) << "y " << x << " u " << u << " v " << v;
            }
        }
    }
}

TEST(StillConvert, FastPathEqualsScalarAtOddSizesAndStrides) {
    for (int32_t w : {1, 2, 3, 5, 15, 16, 17, 31, 33, 64, 101}) {
        for (int32_t h : {1, 3}) {
            const ptrdiff_t stride = packedRowBytes(w, true) + 12;
            auto f = filtertest::yuy2Pattern(w, h, static_cast<uint32_t>(w * 7 + h), stride);
            std::vector<uint8_t> a(static_cast<size_t>(w) * 3 * h, 0xAA), b(a);
            yuy2ToBgr(f.bytes.data(), stride, w, h, a.data(), w * 3);
            yuy2ToBgrScalar(f.bytes.data(), stride, w, h, b.data(), w * 3);
            ASSERT_EQ(a, b) << w << "x" << h;
        }
    }
}

TEST(StillConvert, OddWidthUsesTheFirstPixelOfTheLastMacropixel) {
    const uint8_t src[8] = {10, 128, 20, 128, 30, 128, 99, 128};
    uint8_t out[9] = {};
    yuy2ToBgr(src, 8, 3, 1, out, 9);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[3], 20);
    EXPECT_EQ(out[6], 30);
}

TEST(StillConvert, BgrRowsCopiedOrFlipped) {
    auto f = filtertest::bgrPattern(5, 4, 3, 16);  // padded rows
    std::vector<uint8_t> straight(5 * 3 * 4), flipped(5 * 3 * 4);
    copyBgrRows(f.bytes.data(), 16, 5, 4, false, straight.data(), 15);
    copyBgrRows(f.bytes.data(), 16, 5, 4, true, flipped.data(), 15);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(0, std::memcmp(straight.data() + y * 15, f.row(y), 15));
        EXPECT_EQ(0, std::memcmp(flipped.data() + (3 - y) * 15, f.row(y), 15));
    }
}
