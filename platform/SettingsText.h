// What a settings file may hold before Qt reads it: values we can read as numbers or texts.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// Settings files are small; a larger one is not ours.
constexpr size_t kMaxSettingsFileBytes = 1 << 20;

// False for a settings file in which Qt's INI reader would rebuild a value as an object
// ("@Variant(...)", "@DateTime(...)", "@Rect(...)"...): such a value may name any type and claim
// any size, and Qt allocates what it claims. Judged on the texts Qt decodes the values into, so
// however the "@" and the type name are written (plain, quoted, in escapes of any length, in a
// list), the file is refused; a text that Qt keeps as text ("@home", "@@x") passes.
bool isPlainSettingsText(std::string_view text);

}  // namespace platform
