// Locale-aware, case-insensitive string comparison (for sorting file lists as users expect).
#pragma once

#include <string>

namespace platform {

// <0, 0, >0. Texts are UTF-8; bytes that are not valid UTF-8 still compare deterministically.
int compareTextNoCase(const std::string& a, const std::string& b);

}  // namespace platform
