// The snapshot's picture number and file name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/MessageTexts.h"

namespace gallery {

constexpr int32_t kMaxPictureCounter = 10000;

// Takes the next picture number from `counter` and advances it: numbers run 1 to 9999, the
// value 10000 wraps to 1 (so 10000 is never used), a counter above 10000 takes nothing and
// stays as it is. A counter below 1 (a stored value that was never valid) starts again at 1.
std::optional<int32_t> takePictureNumber(int32_t& counter);

// Undoes takePictureNumber after a declined overwrite: the same number is offered next time.
inline void givePictureNumberBack(int32_t& counter) {
    counter -= 1;
}

// "Picture%04d.jpg".
std::string pictureFileName(int32_t number);
// The folder, a separator and the file name.
std::string picturePath(const std::string& folder, int32_t number);
// "Movie%04d.avi" in `folder`.
std::string clipPath(const std::string& folder, int32_t number);

// The overwrite question for picture `number`: the localised text with the bare file name for
// its first "%s" (the text is never used as a printf format).
inline std::string overwriteQuestion(const app::MessageTexts& texts, int32_t number) {
    return texts.formatFileExist(pictureFileName(number));
}

}  // namespace gallery
