// Zoom remap through the filter's table, and SetZoomValue's bounds.
#include <gtest/gtest.h>

#include <vector>

#include "filter/MyTransFilter.h"
#include "filter/ZoomRemap.h"
#include "tests/unit/filter/FilterTestSupport.h"

using namespace filter;
using filtertest::FakeClock;

namespace {

std::vector<std::atomic<int32_t>> makeMap(size_t n) {
    return std::vector<std::atomic<int32_t>>(n);
}

}  // namespace

TEST(ZoomRemap, IdentityMapLeavesTheFrameUnchanged) {
    auto f = filtertest::yuy2Pattern(16, 6, 7);
    const auto before = f.bytes;
    auto map = makeMap(16 * 6);
    for (size_t p = 0; p < map.size(); ++p) {
        map[p] = static_cast<int32_t>(2 * p);
    }
    std::vector<uint8_t> scratch(16 * 6 * 2);
    ASSERT_TRUE(zoomRemapYuy2(f.view(), map.data(), map.size(), scratch.data()));
    EXPECT_EQ(f.bytes, before);
}

TEST(ZoomRemap, MirrorMapMovesLumaAndAveragesChroma) {
    // One row of 4 pixels: macropixels (10, 100, 20, 110) (30, 140, 40, 150).
    std::vector<uint8_t> row = {10, 100, 20, 110, 30, 140, 40, 150};
    auto map = makeMap(4);
    for (int p = 0; p < 4; ++p) {
        map[p] = 2 * (3 - p);  // mirror
    }
    std::vector<uint8_t> scratch(8);
    ASSERT_TRUE(zoomRemapYuy2({row.data(), 4, 1, 8}, map.data(), 4, scratch.data()));
    // Pixel 0 <- 3 (Y 40, macropixel 1), pixel 1 <- 2 (Y 30, macropixel 1): chroma of macropixel 1.
    // Pixel 2 <- 1, pixel 3 <- 0: chroma of macropixel 0.
    EXPECT_EQ(row, (std::vector<uint8_t>{40, 140, 30, 150, 20, 100, 10, 110}));
}

TEST(ZoomRemap, ChromaAverageUsesArithmeticShift) {
    // Pixel 0 from a macropixel with U 127 (-1), pixel 1 from one with U 126 (-2): (-3) >> 1 = -2.
    std::vector<uint8_t> row = {1, 127, 2, 200, 3, 126, 4, 50};
    auto map = makeMap(4);
    map[0] = 0;
    map[1] = 4;
    map[2] = 4;
    map[3] = 6;
    std::vector<uint8_t> scratch(8);
    ASSERT_TRUE(zoomRemapYuy2({row.data(), 4, 1, 8}, map.data(), 4, scratch.data()));
    EXPECT_EQ(row[1], 126);                                            // ((-1) + (-2)) >> 1 = -2
    EXPECT_EQ(row[3], static_cast<uint8_t>(((72 + -78) >> 1) + 128));  // V 200 and 50
}

TEST(ZoomRemap, EntriesOutsideTheFrameAreIgnored) {
    auto f = filtertest::yuy2Pattern(8, 2, 9);
    const auto before = f.bytes;
    auto map = makeMap(16);
    for (size_t p = 0; p < map.size(); ++p) {
        map[p] = static_cast<int32_t>(2 * p);
    }
    map[0] = -2;
    map[1] = 8 * 2 * 2;  // one past the last byte
    map[5] = 0x7FFFFFFE;
    map[6] = -0x7FFFFFFF;
    std::vector<uint8_t> scratch(8 * 2 * 2);
    ASSERT_TRUE(zoomRemapYuy2(f.view(), map.data(), map.size(), scratch.data()));
    EXPECT_EQ(f.bytes, before);
}

TEST(ZoomRemap, StridedFramesUsePackedOffsets) {
    // 4x2 frame with 4 bytes of padding per row; the map takes every pixel from row 1.
    auto f = filtertest::yuy2Pattern(4, 2, 11, 12);
    auto map = makeMap(8);
    for (int p = 0; p < 8; ++p) {
        map[p] = 2 * (4 + p % 4);
    }
    const std::vector<uint8_t> row1(f.row(1), f.row(1) + 8);
    const std::vector<uint8_t> pad0(f.row(0) + 8, f.row(0) + 12);
    std::vector<uint8_t> scratch(16);
    ASSERT_TRUE(zoomRemapYuy2(f.view(), map.data(), map.size(), scratch.data()));
    EXPECT_EQ(std::vector<uint8_t>(f.row(0), f.row(0) + 8), row1);
    EXPECT_EQ(std::vector<uint8_t>(f.row(1), f.row(1) + 8), row1);
    EXPECT_EQ(std::vector<uint8_t>(f.row(0) + 8, f.row(0) + 12), pad0);  // padding untouched
}

TEST(ZoomRemap, FramesLargerThanTheTableOrOfOddWidthAreLeftAlone) {
    auto f = filtertest::yuy2Pattern(8, 2, 5);
    const auto before = f.bytes;
    auto map = makeMap(15);
    std::vector<uint8_t> scratch(32);
    EXPECT_FALSE(zoomRemapYuy2(f.view(), map.data(), map.size(), scratch.data()));
    auto odd = filtertest::yuy2Pattern(7, 2, 5);
    const auto oddBefore = odd.bytes;
    auto bigMap = makeMap(64);
    EXPECT_FALSE(zoomRemapYuy2(odd.view(), bigMap.data(), bigMap.size(), scratch.data()));
    EXPECT_EQ(f.bytes, before);
    EXPECT_EQ(odd.bytes, oddBefore);
}

struct FilterZoom : ::testing::Test {
    FakeClock clock;
    MyTransFilter f;
    FilterZoom() {
        f.setClock(&clock);
        f.setStillByFilter(true);
    }
};

TEST_F(FilterZoom, Zoom100LeavesTheFrameUntouchedEvenWithAMap) {
    ASSERT_EQ(f.setFrameFormat(16, 4, FrameFormat::YUY2), platform::S_Ok);
    std::vector<int32_t> zeros(64, 0);
    f.SetZoomValue(100, zeros.data(), static_cast<int32_t>(zeros.size() * 4));
    auto frame = filtertest::yuy2Pattern(16, 4, 3);
    const auto before = frame.bytes;
    auto s = frame.sample();
    f.Transform(&s);
    EXPECT_EQ(frame.bytes, before);
}

TEST_F(FilterZoom, IdentityMapThroughTheFilterLeavesTheFrameUnchanged) {
    ASSERT_EQ(f.setFrameFormat(16, 4, FrameFormat::YUY2), platform::S_Ok);
    std::vector<int32_t> identity(64);
    for (int p = 0; p < 64; ++p) {
        identity[p] = 2 * p;
    }
    f.SetZoomValue(200, identity.data(), static_cast<int32_t>(identity.size() * 4));
    auto frame = filtertest::yuy2Pattern(16, 4, 3);
    const auto before = frame.bytes;
    auto s = frame.sample();
    f.Transform(&s);
    EXPECT_EQ(frame.bytes, before);
}

TEST_F(FilterZoom, ZoomIsAppliedToYuy2Only) {
    ASSERT_EQ(f.setFrameFormat(4, 2, FrameFormat::RGB24), platform::S_Ok);
    std::vector<int32_t> zeros(8, 0);
    f.SetZoomValue(150, zeros.data(), 32);
    auto frame = filtertest::bgrPattern(4, 2, 3);
    const auto before = frame.bytes;
    auto s = frame.sample();
    f.Transform(&s);
    EXPECT_EQ(frame.bytes, before);
}

TEST_F(FilterZoom, ShortSampleIsNeitherRemappedNorOverrun) {
    // The size check comes before the remap, so a short sample is never read past its end.
    ASSERT_EQ(f.setFrameFormat(16, 4, FrameFormat::YUY2), platform::S_Ok);
    std::vector<int32_t> zeros(64, 0);
    f.SetZoomValue(150, zeros.data(), 256);
    filtertest::Frame frame(16, 4, 32, 16 * 4 * 2 - 1);
    for (size_t i = 0; i < frame.bytes.size(); ++i) {
        frame.bytes[i] = static_cast<uint8_t>(i);
    }
    const auto before = frame.bytes;
    auto s = frame.sample();
    f.Transform(&s);
    EXPECT_EQ(frame.bytes, before);
}

TEST_F(FilterZoom, SetZoomValueNeverCopiesMoreThanTheTableHolds) {
    const size_t n = kZoomMapEntries + 1000;
    std::vector<int32_t> big(n, 6);
    // A byte count above the capacity copies 3 840 000 entries (ASan would see the overrun).
    f.SetZoomValue(150, big.data(), static_cast<int32_t>(n * 4));
    EXPECT_EQ(f.zoom(), 150);
    EXPECT_EQ(f.zoomMapEntry(0), 6);
    EXPECT_EQ(f.zoomMapEntry(kZoomMapEntries - 1), 6);
    // Partial copies keep the rest; negative counts and null tables copy nothing.
    std::vector<int32_t> two = {10, 12};
    f.SetZoomValue(120, two.data(), 7);  // one whole entry
    EXPECT_EQ(f.zoomMapEntry(0), 10);
    EXPECT_EQ(f.zoomMapEntry(1), 6);
    f.SetZoomValue(130, two.data(), -8);
    f.SetZoomValue(140, nullptr, 8);
    EXPECT_EQ(f.zoomMapEntry(0), 10);
    EXPECT_EQ(f.zoom(), 140);
}

TEST_F(FilterZoom, TableStartsAsIdentity) {
    EXPECT_EQ(f.zoomMapEntry(0), 0);
    EXPECT_EQ(f.zoomMapEntry(12345), 24690);
    std::vector<int32_t> one = {4};
    f.SetZoomValue(150, one.data(), 4);
    EXPECT_EQ(f.zoomMapEntry(0), 4);
    EXPECT_EQ(f.zoomMapEntry(12345), 24690);
}
