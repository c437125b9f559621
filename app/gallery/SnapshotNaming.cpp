// Picture numbering and names.
#include "app/gallery/SnapshotNaming.h"

#include <cstdio>

namespace gallery {

std::optional<int32_t> takePictureNumber(int32_t& counter) {
    if (counter > kMaxPictureCounter) {
        return std::nullopt;
    }
    if (counter == kMaxPictureCounter || counter < 1) {
        counter = 1;
    }
    return counter++;
}

std::string pictureFileName(int32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "Picture%04d.jpg", number);
    return name;
}

std::string picturePath(const std::string& folder, int32_t number) {
    return folder + "/" + pictureFileName(number);
}

std::string clipPath(const std::string& folder, int32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "Movie%04d.avi", number);
    return folder + "/" + name;
}

}  // namespace gallery
