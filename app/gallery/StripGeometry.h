// The thumbnail strip's geometry: thumbnail size, slots, pitch, frames and the click hit test.
#pragma once

#include <cstdint>

#include <QSize>

namespace gallery {

struct StripGeometry {
    QSize thumb{80, 60};
    int visibleCount = 7;
    int pitch = 90;      // distance between slots
    int slotOffset = 5;  // x of slot 0's selection picture
    int frameLeft = 8;   // focus frame, relative to the slot's s * pitch
    int frameRight = 92;
    static constexpr int kFrameTop = 6;
    static constexpr int kFrameBottom = 70;
    static constexpr int kSelectTop = 3;
    static constexpr int kThumbTop = 8;
    static constexpr int kThumbInset = 5;  // thumbnail x = selection x + 5

    // Main edition: from the camera aspect (0 = 4:3) and whether the screen is below 1024 x 768.
    static StripGeometry forCamera(int32_t cameraAspect, bool smallScreen);
    // Branded edition: always the large 4:3 strip.
    static StripGeometry branded();

    int selectionX(int slot) const { return slot * pitch + slotOffset; }
    int thumbX(int slot) const { return selectionX(slot) + kThumbInset; }
    // The slot under x, or -1: s * pitch + 10 <= x < s * pitch + thumb width + 10.
    int hitSlot(int x) const;
};

// The index of the last entry (0 for none), up to which the strip draws and clicks hit; the
// position that shows the end, never below 0, which is where the scroll bar's range ends.
inline int scrollMaximum(int entries) {
    return entries > 0 ? entries - 1 : 0;
}
inline int scrollEndPosition(int entries, int visibleCount) {
    const int p = scrollMaximum(entries) - visibleCount + 1;
    return p > 0 ? p : 0;
}

}  // namespace gallery
