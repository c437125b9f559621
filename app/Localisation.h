// Choosing the language code and reading the user's texts from the language's settings subkey.
#pragma once

#include <string>

#include "MessageTexts.h"
#include "platform/UiLanguage.h"

namespace app {

// Three capital letters; every language without translations gives "ENG".
std::string languageCode(platform::LangId langId);

// Reads every text of `texts` from "<settingsKey>\<code>". Returns false when the subkey does not
// open (the texts are then untouched). Values that are missing, or of 512 bytes or more with
// their terminating zero, leave their text as it is.
bool readLanguageTexts(const std::string& settingsKey, const std::string& code,
                       MessageTexts& texts);

// The "/msg" switch: first argument only, any letter case.
bool isMessageCheckArgument(const std::string& firstArgument);

}  // namespace app
