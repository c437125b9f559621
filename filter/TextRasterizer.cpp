// Stamp text rasteriser over FreeType and fontconfig. open() and prepare() run at format time;
// draw() runs on the streaming thread and only reads the cache.
#include "filter/TextRasterizer.h"

#include <algorithm>
#include <cstring>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace filter {
namespace {

constexpr const char* kFallbackFont =
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
constexpr FT_UInt kDpi = 96;

std::string findFontFile(std::string_view family, int* index) {
    *index = 0;
    std::string file;
    if (FcInit() == FcFalse) {
        return file;
    }
    const std::string name(family);
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name.c_str()));
    if (pattern == nullptr) {
        return file;
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr) {
            file = reinterpret_cast<const char*>(path);
            FcPatternGetInteger(match, FC_INDEX, 0, index);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

}  // namespace

TextRasterizer::~TextRasterizer() {
    if (face_ != nullptr) {
        FT_Done_Face(face_);
    }
    if (library_ != nullptr) {
        FT_Done_FreeType(library_);
    }
}

bool TextRasterizer::open(std::string_view family) {
    if (face_ != nullptr) {
        return true;
    }
    if (library_ == nullptr && FT_Init_FreeType(&library_) != 0) {
        library_ = nullptr;
        return false;
    }
    int index = 0;
    std::string file = findFontFile(family, &index);
    if (file.empty() || FT_New_Face(library_, file.c_str(), index, &face_) != 0) {
        face_ = nullptr;
        file = kFallbackFont;
        if (FT_New_Face(library_, file.c_str(), 0, &face_) != 0) {
            face_ = nullptr;
            return false;
        }
    }
    fontFile_ = file;
    return true;
}

std::string TextRasterizer::familyName() const {
    return face_ != nullptr && face_->family_name != nullptr ? face_->family_name : "";
}

bool TextRasterizer::prepare(int32_t points, std::string_view charset) {
    glyphs_.fill(Glyph{});
    coverage_.clear();
    points_ = 0;
    ascent_ = 0;
    if (face_ == nullptr || points <= 0) {
        return false;
    }
    if (FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(points) * 64, kDpi, kDpi) != 0) {
        return false;
    }
    points_ = points;
    ascent_ = static_cast<int32_t>((face_->size->metrics.ascender + 63) >> 6);
    for (char ch : charset) {
        const auto code = static_cast<uint8_t>(ch);
        if (glyphs_[code].present) {
            continue;
        }
        if (FT_Load_Char(face_, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
            continue;
        }
        const FT_GlyphSlot slot = face_->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.rows != 0) {
            continue;
        }
        Glyph g;
        g.present = true;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int32_t>(bm.width);
        g.rows = static_cast<int32_t>(bm.rows);
        g.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
        g.offset = coverage_.size();
        for (int32_t r = 0; r < g.rows; ++r) {
            const unsigned char* src = bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch;
            coverage_.insert(coverage_.end(), src, src + g.width);
        }
        glyphs_[code] = g;
    }
    return true;
}

int32_t TextRasterizer::textWidth(std::string_view text) const {
    int32_t w = 0;
    for (char ch : text) {
        const Glyph& g = glyphs_[static_cast<uint8_t>(ch)];
        w += g.present ? g.advance : 0;
    }
    return w;
}

void TextRasterizer::draw(std::string_view text, uint8_t* bgr, int32_t width, int32_t height,
                          ptrdiff_t stride, bool bottomUp) const {
    if (bgr == nullptr || width <= 0 || height <= 0) {
        return;
    }
    int32_t pen = 0;
    for (char ch : text) {
        const Glyph& g = glyphs_[static_cast<uint8_t>(ch)];
        if (!g.present) {
            continue;
        }
        const int32_t x0 = pen + g.left;
        const int32_t y0 = ascent_ - g.top;
        for (int32_t r = 0; r < g.rows; ++r) {
            const int32_t py = y0 + r;
            if (py < 0 || py >= height) {
                continue;
            }
            uint8_t* row = bgr + static_cast<ptrdiff_t>(bottomUp ? height - 1 - py : py) * stride;
            const uint8_t* cov = coverage_.data() + g.offset + static_cast<size_t>(r) * g.width;
            for (int32_t c = 0; c < g.width; ++c) {
                const int32_t px = x0 + c;
                if (px < 0 || px >= width || cov[c] == 0) {
                    continue;
                }
                uint8_t* p = row + static_cast<ptrdiff_t>(px) * 3;
                p[2] = std::max(p[2], cov[c]);
            }
        }
        pen += g.advance;
    }
}

}  // namespace filter
