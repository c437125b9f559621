// The main window's geometry as pure functions: layout by camera and screen, preview fitting,
// button hit rectangles and captions, popup placement, the enlarged view.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <QPoint>
#include <QRect>
#include <QSize>

namespace app {

// The designed window is sized as an outer frame; these are the design's frame extents, used to
// turn an outer size into the client size Qt sets.
constexpr int kFrameExtraWidth = 5;
constexpr int kFrameExtraHeight = 36;

// Where the designed window stands (its outer top-left); a window that keeps its design layout
// keeps this place too, the adaptive layout is centred instead.
constexpr QPoint kDesignPosition{416, 155};

constexpr int kButtonCount = 5;
constexpr int kButtonHeight = 30;

struct WindowLayout {
    QSize previewArea;  // W x H
    QSize thumbnail;    // 80 x 60 or 96 x 60
    int visibleThumbnails = 7;
    int thumbnailPitch = 90;
    int selectionLeft = 5;
    int focusLeft = 8;
    int focusRight = 92;
    QRect bgPanel;    // in window client coordinates
    QSize outer;      // the designed outer window size
    QSize client;     // the client size that corresponds to it
    QRect imageShow;  // the strip
    QRect scrollBar;
    int buttonTop = 0;
    std::array<int, kButtonCount> buttonLeft{};
    std::array<int, kButtonCount> buttonWidth{40, 40, 86, 40, 40};
};

bool isSmallScreen(QSize screen);

// cameraAspect: 0 = 4:3, 1 = wide.
WindowLayout computeLayout(int32_t cameraAspect, bool recordCapable, bool smallScreen);

// The branded window's fixed design: 640 x 480 preview, four buttons at fixed places.
WindowLayout brandedLayout();

// The preview rectangle inside the background panel for an image of the given size.
QRect fitPreview(QSize panel, QSize image);

// Inclusive on all sides: a release on left + width or top + 30 still hits.
bool buttonHit(const WindowLayout& layout, int button, QPoint p);

// "HD 720P" for 1280 x 800, else width "x" height run together (the branded edition never
// says "HD 720P").
std::string button3Caption(int width, int height, bool allowHd = true);
int button3TextLeft(int buttonLeft, int textWidth);

// The popup's top-left in screen coordinates under button 3.
QPoint popupPosition(QPoint windowTopLeft, QPoint button3, int dotsPerInch);
// The branded popup's fixed place: 100 right of the window's left edge, 546 below its top.
QPoint brandedPopupPosition(QPoint windowTopLeft, int dotsPerInch);
// The popup's item under the pointer: a 20-pixel pitch over 18-pixel bands.
int popupItemAt(int y);

// The enlarged view's client size for a work area and the window's frame extents: the largest
// of the view's aspect that fits.
QSize enlargedClientSize(QSize workArea, QSize frameExtra, QSize view);

}  // namespace app
