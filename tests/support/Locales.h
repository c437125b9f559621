// Locales the language tests run under, made with localedef where the system lacks them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testenv {

// Makes sure that every locale of `names` ("de_DE.UTF-8") can be set. Answers the LOCPATH that
// holds them, "" when the system has them all, or nothing when one could not be made.
std::optional<std::string> ensureLocales(const std::vector<std::string>& names);

}  // namespace testenv
