// Stamp text rasteriser: FreeType over the font that fontconfig picks (Liberation Sans for Arial).
//
// Rasterising happens at format time into a small glyph cache; drawing a text from the cache
// does no allocation and no I/O, so the streaming thread can re-render the stamps when they change.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace filter {

class TextRasterizer {
  public:
    TextRasterizer() = default;
    ~TextRasterizer();
    TextRasterizer(const TextRasterizer&) = delete;
    TextRasterizer& operator=(const TextRasterizer&) = delete;

    // Asks fontconfig for `family` ("Arial" gives the Arial-compatible Liberation Sans of
    // fonts-liberation) and opens the file with FreeType; falls back to the Debian path of
    // Liberation Sans. Reads files. Returns false when no font can be opened.
    bool open(std::string_view family);
    bool isOpen() const { return face_ != nullptr; }
    const std::string& fontFile() const { return fontFile_; }
    // Family name of the opened face ("Liberation Sans").
    std::string familyName() const;

    // Rasterises every character of `charset` at `points` (96 dots per inch, as the platform's
    // text output counts points) into the cache, anti-aliased and hinted. Allocates. Returns false
    // when the font is not open or `points` is not positive (the cache is then empty).
    bool prepare(int32_t points, std::string_view charset);
    int32_t points() const { return points_; }
    // Distance in pixels from the top of the text cell to the baseline.
    int32_t ascent() const { return ascent_; }
    // Advance width of `text` in pixels (characters not in the cache count 0).
    int32_t textWidth(std::string_view text) const;

    // Draws `text` with the top-left of its cell at (0, 0) into a width x height BGR image whose
    // rows are `stride` bytes apart, pure red on black: coverage c raises the red byte to c,
    // blue and green stay 0 (edges keep their shading). With `bottomUp`, memory row 0 is the
    // picture's bottom line. Clipped to the image; characters not in the cache are skipped.
    void draw(std::string_view text, uint8_t* bgr, int32_t width, int32_t height, ptrdiff_t stride,
              bool bottomUp) const;

  private:
    struct Glyph {
        bool present = false;
        int32_t left = 0;  // from the pen position to the bitmap's first column
        int32_t top = 0;   // from the baseline up to the bitmap's first row
        int32_t width = 0;
        int32_t rows = 0;
        int32_t advance = 0;  // pixels
        size_t offset = 0;    // into coverage_
    };

    FT_LibraryRec_* library_ = nullptr;
    FT_FaceRec_* face_ = nullptr;
    std::string fontFile_;
    int32_t points_ = 0;
    int32_t ascent_ = 0;
    std::array<Glyph, 256> glyphs_{};
    std::vector<uint8_t> coverage_;
};

}  // namespace filter
