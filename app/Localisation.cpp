// Language codes and the language subkey reader.
#include "Localisation.h"

#include <array>
#include <cctype>

#include "platform/RegistryKey.h"

namespace app {

std::string languageCode(platform::LangId langId) {
    switch (platform::primaryLanguage(langId)) {
        case 0x04:  // Chinese
            switch (platform::subLanguage(langId)) {
                case 1:  // Taiwan
                case 3:  // Hong Kong
                case 5:  // Macao
                    return "CHT";
                default:  // PRC, Singapore and a bare "zh"
                    return "CHS";
            }
        case 0x07:
            return "GRM";
        case 0x0A:
            return "ESN";
        case 0x0C:
            return "FRA";
        case 0x10:
            return "ITA";
        case 0x11:
            return "JPN";
        case 0x16:
            return "PTG";
        default:
            return "ENG";
    }
}

bool readLanguageTexts(const std::string& settingsKey, const std::string& code,
                       MessageTexts& texts) {
    platform::RegistryKey key;
    if (key.open(platform::RegRoot::CurrentUser, settingsKey + "\\" + code) !=
        platform::kErrorSuccess) {
        return false;
    }
    std::array<char, MessageTexts::kMaxTextBytes> buffer{};
    for (int id : texts.ids()) {
        uint32_t size = static_cast<uint32_t>(buffer.size());  // reset before each read
        if (key.queryString(texts.valueName(id), buffer.data(), size) == platform::kErrorSuccess) {
            texts.set(id, std::string(buffer.data()));
        }
    }
    key.close();
    return true;
}

bool isMessageCheckArgument(const std::string& firstArgument) {
    std::string lower = firstArgument;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower == "/msg";
}

}  // namespace app
