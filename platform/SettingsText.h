// What a settings file may hold before Qt reads it: values we can read as numbers or texts.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// Settings files are small; a larger one is not ours.
constexpr size_t kMaxSettingsFileBytes = 1 << 20;

// False for text Qt's INI reader would decode as a serialised object ("@Variant(...)" or
// "@DateTime(...)"): such a value may name any type and claim any size, and Qt allocates what it
// claims. Escapes are judged too, since Qt decodes them first: an escape (\x.., octal) that spells
// a printable character is refused, as no writer of settings files needs one.
bool isPlainSettingsText(std::string_view text);

}  // namespace platform
