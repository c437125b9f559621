// Locale names to LANGIDs, following the Windows language and sublanguage numbering.
#include "UiLanguage.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace platform {
namespace {

struct LanguageRow {
    std::string_view iso;  // ISO 639-1 code
    uint16_t primary;
};

// Primary language numbers of the Windows LANGID scheme.
constexpr LanguageRow kLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06},
    {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C},
    {"he", 0x0D}, {"hu", 0x0E}, {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12},
    {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14}, {"nn", 0x14}, {"pl", 0x15}, {"pt", 0x16},
    {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sk", 0x1B}, {"sq", 0x1C}, {"sv", 0x1D},
    {"th", 0x1E}, {"tr", 0x1F}, {"ur", 0x20}, {"id", 0x21}, {"uk", 0x22}, {"be", 0x23},
    {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27}, {"fa", 0x29}, {"vi", 0x2A},
    {"hy", 0x2B}, {"eu", 0x2D}, {"mk", 0x2F}, {"af", 0x36}, {"ka", 0x37}, {"hi", 0x39},
    {"ms", 0x3E}, {"kk", 0x3F}, {"sw", 0x41}, {"bn", 0x45}, {"ta", 0x49}, {"gl", 0x56},
};

struct SublanguageRow {
    std::string_view iso;
    std::string_view country;
    uint16_t sub;
};

// Countries whose sublanguage is not the default (1).
constexpr SublanguageRow kSublanguages[] = {
    {"zh", "TW", 0x01}, {"zh", "CN", 0x02}, {"zh", "HK", 0x03}, {"zh", "SG", 0x04},
    {"zh", "MO", 0x05}, {"en", "GB", 0x02}, {"en", "AU", 0x03}, {"en", "CA", 0x04},
    {"en", "NZ", 0x05}, {"en", "IE", 0x06}, {"de", "CH", 0x02}, {"de", "AT", 0x03},
    {"de", "LU", 0x04}, {"de", "LI", 0x05}, {"fr", "BE", 0x02}, {"fr", "CA", 0x03},
    {"fr", "CH", 0x04}, {"fr", "LU", 0x05}, {"es", "ES", 0x03}, {"es", "MX", 0x02},
    {"it", "CH", 0x02}, {"nl", "BE", 0x02}, {"pt", "BR", 0x01}, {"pt", "PT", 0x02},
};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

LangId langIdFromLocaleName(const std::string& locale) {
    // language[_COUNTRY][.codeset][@modifier]
    std::string_view name(locale);
    name = name.substr(0, name.find_first_of(".@"));
    const size_t sep = name.find_first_of("_-");
    const std::string iso = lower(name.substr(0, sep));
    const std::string country =
        sep == std::string_view::npos ? std::string() : upper(name.substr(sep + 1));

    uint16_t primary = 0;
    for (const LanguageRow& row : kLanguages) {
        if (row.iso == iso) {
            primary = row.primary;
            break;
        }
    }
    if (primary == 0) {
        return kLangEnglishUs;  // "C", "POSIX" and languages we have no number for
    }
    uint16_t sub = 1;
    if (iso == "zh") {
        sub = 2;  // a bare "zh" means simplified Chinese
    }
    for (const SublanguageRow& row : kSublanguages) {
        if (row.iso == iso && row.country == country) {
            sub = row.sub;
            break;
        }
    }
    return makeLangId(primary, sub);
}

LangId systemUiLanguage(const EnvReader& getenvFn) {
    auto get = [&](const char* var) -> const char* {
        return getenvFn ? getenvFn(var) : std::getenv(var);
    };
    for (const char* var : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = get(var);
        if (value == nullptr || *value == '\0') {
            continue;
        }
        std::string first(value);
        first = first.substr(0, first.find(':'));
        if (!first.empty()) {
            return langIdFromLocaleName(first);
        }
    }
    return kLangEnglishUs;
}

}  // namespace platform
