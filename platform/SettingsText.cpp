// The values of a settings file as Qt's INI reader will see them; see SettingsText.h.
//
// Qt cuts the file into lines, takes what follows a line's first unquoted '=' as its value and
// unescapes the value into one text or a list of texts; a text that then starts with "@" and a
// type name is rebuilt as that type. The cutting and unescaping below follow Qt's reader step by
// step: an escape takes any number of digits, wrapped to 16 bits, as Qt's does.
#include "SettingsText.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {
namespace {

using Text = std::u16string;

bool isSpaceOrNewline(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

struct Line {
    size_t start = 0;
    size_t length = 0;
    size_t equals = std::string_view::npos;  // the first '=' outside quotes
};

// One logical line from `pos` on, as Qt's reader cuts it: a newline inside quotes or after a
// backslash continues it, a ';' outside quotes ends it (and starts a comment at its start).
bool nextLine(std::string_view data, size_t& pos, Line& line) {
    line = Line{};
    size_t start = pos;
    while (start < data.size() && isSpaceOrNewline(data[start])) {
        ++start;
    }
    bool inQuotes = false;
    size_t i = start;
    while (i < data.size()) {
        const char c = data[i++];
        if (c == '=') {
            if (!inQuotes && line.equals == std::string_view::npos) {
                line.equals = i - 1;
            }
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < data.size()) {
                const char escaped = data[i++];
                if (i < data.size()) {
                    const char next = data[i];
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n')) {
                        ++i;
                    }
                }
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < data.size() && data[i] != '\n' && data[i] != '\r') {
                    ++i;
                }
                while (i < data.size() && isSpaceOrNewline(data[i])) {
                    ++i;
                }
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    line.start = start;
    line.length = i - start;
    if (line.equals != std::string_view::npos && line.equals < start) {
        line.equals = std::string_view::npos;  // belonged to a comment skipped above
    }
    return line.length > 0;
}

// The texts Qt unescapes a value into. Bytes outside ASCII are left out: Qt decodes them as
// UTF-8, which may make them vanish (a byte order mark, an unfinished sequence at the end) but
// never yields an ASCII character, so without them a text is at least as close to a type name
// as Qt's.
std::vector<Text> unescape(std::string_view value) {
    static const char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                       {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                       {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    std::vector<Text> texts;
    Text current;
    bool inQuotes = false;
    size_t i = 0;
    auto skipSpaces = [&] {
        while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) {
            ++i;
        }
    };
    skipSpaces();
    while (i < value.size()) {
        const char c = value[i];
        if (c == '\\') {
            ++i;
            if (i >= value.size()) {
                break;
            }
            const char e = value[i++];
            bool named = false;
            for (const auto& pair : kEscapes) {
                if (e == pair[0]) {
                    current.push_back(static_cast<char16_t>(pair[1]));
                    named = true;
                    break;
                }
            }
            if (named) {
                continue;
            }
            if (e == 'x' && i < value.size() && isHex(value[i])) {
                uint32_t v = 0;
                while (i < value.size() && isHex(value[i])) {
                    v = ((v << 4) + static_cast<uint32_t>(hexValue(value[i++]))) & 0xFFFF;
                }
                current.push_back(static_cast<char16_t>(v));
            } else if (e >= '0' && e <= '7') {
                uint32_t v = static_cast<uint32_t>(e - '0');
                while (i < value.size() && value[i] >= '0' && value[i] <= '7') {
                    v = ((v << 3) + static_cast<uint32_t>(value[i++] - '0')) & 0xFFFF;
                }
                current.push_back(static_cast<char16_t>(v));
            } else if ((e == '\n' || e == '\r') && i < value.size() &&
                       (value[i] == '\n' || value[i] == '\r') && value[i] != e) {
                ++i;  // an escaped line break of two characters
            }
            // Any other escaped character is dropped, as Qt drops it.
        } else if (c == '"') {
            ++i;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipSpaces();
            }
        } else if (c == ',' && !inQuotes) {
            texts.push_back(std::move(current));
            current.clear();
            ++i;
            skipSpaces();
        } else {
            if (static_cast<unsigned char>(c) < 0x80) {
                current.push_back(static_cast<char16_t>(c));
            }
            ++i;
        }
    }
    texts.push_back(std::move(current));
    return texts;
}

bool startsWith(const Text& text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (text[i] != static_cast<char16_t>(prefix[i])) {
            return false;
        }
    }
    return true;
}

// Qt rebuilds a text that starts with "@" and ends with ")" as the type it names, unless it
// starts with "@@" (an escaped '@'), "@String(" or "@ByteArray(". Qt cuts trailing blanks off an
// unquoted text first; here they are always cut, which can only refuse more.
bool rebuiltByQt(const Text& text) {
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == u' ' || text[end - 1] == u'\t')) {
        --end;
    }
    return startsWith(text, "@") && end > 0 && text[end - 1] == u')' && !startsWith(text, "@@") &&
           !startsWith(text, "@String(") && !startsWith(text, "@ByteArray(");
}

}  // namespace

bool isPlainSettingsText(std::string_view text) {
    if (text.substr(0, 3) == "\xef\xbb\xbf") {
        text.remove_prefix(3);  // Qt skips a byte order mark at the start
    }
    size_t pos = 0;
    Line line;
    while (nextLine(text, pos, line)) {
        if (text[line.start] == '[' || line.equals == std::string_view::npos) {
            continue;  // a group's name, or no value
        }
        const std::string_view value =
            text.substr(line.equals + 1, line.start + line.length - line.equals - 1);
        for (const Text& t : unescape(value)) {
            if (rebuiltByQt(t)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace platform
