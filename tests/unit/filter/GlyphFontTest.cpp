// The built-in glyph font: the telling rows, blank codes, and the drawing rule.
#include <gtest/gtest.h>

#include <vector>

#include "filter/GlyphFont.h"
#include "tests/unit/filter/FilterTestSupport.h"

using namespace filter;

namespace {

std::vector<uint8_t> rows0to11(char c) {
    const uint8_t* cell = kGlyphFont.data() + static_cast<uint8_t>(c) * kGlyphCellBytes;
    return std::vector<uint8_t>(cell, cell + 12);
}

}  // namespace

TEST(GlyphFont, TellingRowsAreExact) {
    EXPECT_EQ(rows0to11('0'), (std::vector<uint8_t>{0, 0, 0, 0x1E, 0x33, 0x37, 0x37, 0x33, 0x3B,
                                                    0x3B, 0x33, 0x1E}));
    EXPECT_EQ(rows0to11('1'), (std::vector<uint8_t>{0, 0, 0, 0x0C, 0x1C, 0x7C, 0x0C, 0x0C, 0x0C,
                                                    0x0C, 0x0C, 0x0C}));
    EXPECT_EQ(rows0to11('3'), (std::vector<uint8_t>{0, 0, 0, 0x3C, 0x66, 0x66, 0x06, 0x1C, 0x06,
                                                    0x66, 0x66, 0x3C}));
    EXPECT_EQ(rows0to11('.'), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1C, 0x1C}));
    EXPECT_EQ(rows0to11('-'), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0x7E, 0, 0, 0, 0}));
    EXPECT_EQ(rows0to11('S'), (std::vector<uint8_t>{0, 0, 0, 0x3C, 0x66, 0x60, 0x30, 0x18, 0x0C,
                                                    0x06, 0x66, 0x3C}));
}

TEST(GlyphFont, OnlyTheSixBlankCodesAreBlank) {
    for (int code = 0; code < 256; ++code) {
        bool any = false;
        for (int r = 0; r < 12; ++r) {
            any = any || kGlyphFont[code * 16 + r] != 0;
        }
        const bool blank = code == 0x00 || code == 0x0C || code == 0x20 || code == 0x91 ||
                           code == 0x93 || code == 0xA0;
        EXPECT_EQ(any, !blank) << "code 0x" << std::hex << code;
    }
}

TEST(GlyphFont, DistinctGlyphsForPrintableAscii) {
    // A legible font: no two printable characters share a bitmap.
    for (int a = 0x21; a < 0x7F; ++a) {
        for (int b = a + 1; b < 0x7F; ++b) {
            EXPECT_NE(0, std::memcmp(&kGlyphFont[a * 16], &kGlyphFont[b * 16], 16))
                << static_cast<char>(a) << " " << static_cast<char>(b);
        }
    }
}

TEST(GlyphFont, SomeGlyphsReachIntoRowsZeroToTwo) {
    int tall = 0;
    for (int code = 0; code < 256; ++code) {
        tall +=
            (kGlyphFont[code * 16] | kGlyphFont[code * 16 + 1] | kGlyphFont[code * 16 + 2]) != 0;
    }
    EXPECT_GT(tall, 0);
    EXPECT_LT(tall, 64);
}

TEST(GlyphFont, SetBitsMakeY255AndTheNextByte127) {
    auto f = filtertest::yuy2Frame(16, 14, 10, 20, 30, 40);
    drawGlyphText(f.view(), 0, 0, "-");
    // Row 7 of '-' is 0x7E: pixels 1..6.
    const uint8_t* r7 = f.row(7);
    EXPECT_EQ(r7[0], 10);
    EXPECT_EQ(r7[1], 20);
    for (int x = 1; x <= 6; ++x) {
        EXPECT_EQ(r7[2 * x], 255);
        EXPECT_EQ(r7[2 * x + 1], 127);
    }
    EXPECT_EQ(r7[14], 30);       // pixel 7 (odd: the frame's Y1 is 30)
    EXPECT_EQ(f.row(6)[2], 30);  // row 6 of '-' is clear
}

TEST(GlyphFont, ClipsWholeCharactersAtWidth160) {
    // A line at x = 10 in a 160-pixel frame: characters start at 10 + 8k and are drawn only while
    // the start column is below 152 (k <= 17); the rest are dropped, the pen still moving on.
    auto f = filtertest::yuy2Frame(160, 30, 0, 128, 0, 128);
    const std::string text(20, '0');
    drawGlyphText(f.view(), 10, 5, text);
    std::vector<bool> touched(160, false);
    for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 160; ++x) {
            touched[x] = touched[x] || f.row(y)[2 * x] == 255;
        }
    }
    EXPECT_TRUE(touched[146 + 6]);  // the last drawn '0' (start 146, bits up to column 7)
    for (int32_t x = 154; x < 160; ++x) {
        EXPECT_FALSE(touched[x]) << x;  // the '0' at 154 does not fit
    }
}

TEST(GlyphFont, CharacterMustEndAboveTheLastRow) {
    auto f = filtertest::yuy2Frame(32, 20, 0, 128, 0, 128);
    const auto before = f.bytes;
    drawGlyphText(f.view(), 0, 8, "0");  // 8 + 12 = 20, not < 20: skipped
    drawGlyphText(f.view(), -8, 0,
                  "0");  // negative start: skipped as well
    drawGlyphText(f.view(), 0, -5, "0");
    EXPECT_EQ(f.bytes, before);
    drawGlyphText(f.view(), 0, 7, "0");
    EXPECT_NE(f.bytes, before);
}
