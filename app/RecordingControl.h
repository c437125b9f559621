// The window's recording bookkeeping: clip numbers in the settings key, the clip path bound,
// and the elapsed-time caption.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace app {

// Reads "AviCounter" (missing: 0; 9999 or more taken as 0), adds 1, writes it back and answers
// it. A key that cannot be opened gives clip 1 and writes nothing.
int32_t takeClipNumber(const std::string& settingsKey);
// Declining to overwrite puts the counter back as it was before the number was taken.
void giveClipNumberBack(const std::string& settingsKey, int32_t number);

// "<folder>/Movie%04d.avi"; nothing when the path would not fit the 256-character clip path.
std::optional<std::string> clipPathFor(const std::string& videoFolder, int32_t number);
constexpr size_t kClipPathChars = 256;  // including the terminating zero

// "%s - %02d:%02d:%02d": the title and the elapsed time, rounded to whole seconds, hours mod 24.
std::string recordingCaption(const std::string& title, uint32_t elapsedMs);

}  // namespace app
