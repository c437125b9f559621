// The user's interface language as a 16-bit LANGID (primary language in the low 10 bits).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

using LangId = uint16_t;

constexpr uint16_t primaryLanguage(LangId id) {
    return id & 0x3FF;
}
constexpr uint16_t subLanguage(LangId id) {
    return id >> 10;
}
constexpr LangId makeLangId(uint16_t primary, uint16_t sub) {
    return static_cast<LangId>((sub << 10) | primary);
}

constexpr LangId kLangEnglishUs = 0x0409;

// A POSIX locale name such as "de_DE.UTF-8", "zh_TW", "pt_BR@euro" or "C" as a LANGID.
// Unknown languages map to English (United States).
LangId langIdFromLocaleName(const std::string& locale);

// From LANGUAGE (its first entry), LC_ALL, LC_MESSAGES, LANG: the first one set and not empty.
using EnvReader = std::function<const char*(const char*)>;
LangId systemUiLanguage(const EnvReader& getenvFn = nullptr);

}  // namespace platform
