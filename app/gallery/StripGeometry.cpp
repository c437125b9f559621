// Strip geometry tables.
#include "app/gallery/StripGeometry.h"

#include "app/gallery/Thumbnail.h"

namespace gallery {

StripGeometry StripGeometry::forCamera(int32_t cameraAspect, bool smallScreen) {
    StripGeometry g;
    g.thumb = thumbnailSize(cameraAspect);
    const bool wide = cameraAspect != 0;
    const int w = g.thumb.width();
    g.visibleCount = smallScreen ? 5 : 7;
    if (smallScreen) {
        g.pitch = w + (wide ? 20 : 17);
        g.slotOffset = 11;
        g.frameLeft = 14;
        g.frameRight = w + 17;
    } else {
        g.pitch = w + (wide ? 12 : 10);
        g.slotOffset = 5;
        g.frameLeft = 8;
        g.frameRight = w + 12;
    }
    return g;
}

StripGeometry StripGeometry::branded() {
    return forCamera(0, false);
}

int StripGeometry::hitSlot(int x) const {
    for (int s = 0; s < visibleCount; ++s) {
        if (x >= s * pitch + 10 && x < s * pitch + thumb.width() + 10) {
            return s;
        }
    }
    return -1;
}

}  // namespace gallery
