// The built-in 8 x 12 glyph font of the debug overlay and the routine that draws it into YUY2.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "filter/FrameView.h"

namespace filter {

// 256 cells of 16 bytes, indexed by character code (cell = code x 16). Byte r of a cell is pixel
// row r, 8 pixels wide, most significant bit leftmost. Digits and most letters use rows 3 to 11;
// accented capitals reach into rows 0 to 2; descenders in rows 12 to 15 are never drawn. Codes
// 0x00, 0x0C, 0x20, 0x91, 0x93 and 0xA0 are blank; every other code has a glyph (a hollow box
// where the code page has no printable character).
constexpr int32_t kGlyphCellBytes = 16;
constexpr int32_t kGlyphHeight = 12;  // rows drawn (m_glyphHeight)
constexpr int32_t kGlyphAdvance = 8;  // pen advance (m_glyphAdvance)
extern const std::array<uint8_t, 256 * kGlyphCellBytes> kGlyphFont;

// Draws `text` with its first character's cell at (x, y) of a YUY2 frame, the pen advancing by
// `advance` per character. A character is drawn only if it lies wholly inside the frame
// (x >= 0, y >= 0, y + glyphHeight < height, x + advance < width); characters that do not fit
// are skipped but the pen still advances. A set bit makes that pixel's Y byte 255 and the byte
// after it 127; clear bits leave the frame unchanged. Rows beyond 16 are never read.
void drawGlyphText(const FrameView& yuy2, int32_t x, int32_t y, std::string_view text,
                   int32_t glyphHeight = kGlyphHeight, int32_t advance = kGlyphAdvance);

}  // namespace filter
