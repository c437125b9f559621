// A byte scan, before any parsing: see SettingsText.h.
#include "SettingsText.h"

#include <cctype>

namespace platform {
namespace {

bool isHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}
bool isOctal(char c) {
    return c >= '0' && c <= '7';
}
int hexValue(char c) {
    return isdigit(static_cast<unsigned char>(c)) != 0 ? c - '0' : (std::tolower(c) - 'a' + 10);
}

// The character an escape at `text[at]` (just past the backslash) spells, or -1.
int escapedCharacter(std::string_view text, size_t at) {
    if (at < text.size() && (text[at] == 'x' || text[at] == 'X')) {
        int value = 0;
        size_t n = 0;
        for (size_t i = at + 1; i < text.size() && isHex(text[i]) && n < 4; ++i, ++n) {
            value = value * 16 + hexValue(text[i]);
        }
        return n > 0 ? value : -1;
    }
    int value = 0;
    size_t n = 0;
    for (size_t i = at; i < text.size() && isOctal(text[i]) && n < 3; ++i, ++n) {
        value = value * 8 + (text[i] - '0');
    }
    return n > 0 ? value : -1;
}

}  // namespace

bool isPlainSettingsText(std::string_view text) {
    if (text.find("Variant(") != std::string_view::npos ||
        text.find("DateTime(") != std::string_view::npos) {
        return false;
    }
    for (size_t at = text.find('\\'); at != std::string_view::npos; at = text.find('\\', at + 2)) {
        const int c = escapedCharacter(text, at + 1);
        if (c >= 0x20 && c < 0x7F) {
            return false;
        }
    }
    return true;
}

}  // namespace platform
