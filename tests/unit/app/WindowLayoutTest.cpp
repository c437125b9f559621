// Window geometry by table: layouts, preview fitting, inclusive hits, captions, popup.
#include <gtest/gtest.h>

#include "app/WindowLayout.h"

using namespace app;

TEST(WindowLayout, ScreenSizeAndCameraChooseTheLayout) {
    EXPECT_FALSE(isSmallScreen(QSize(1024, 768)));
    EXPECT_TRUE(isSmallScreen(QSize(800, 600)));
    EXPECT_TRUE(isSmallScreen(QSize(1280, 720)));

    struct Row {
        int aspect;
        bool small;
        QSize preview, thumb;
        int visible, pitch, selLeft, focusLeft, focusRight;
    } rows[] = {
        {0, false, {640, 480}, {80, 60}, 7, 90, 5, 8, 92},
        {1, false, {768, 480}, {96, 60}, 7, 108, 5, 8, 108},
        {0, true, {500, 375}, {80, 60}, 5, 97, 11, 14, 97},
        {1, true, {600, 375}, {96, 60}, 5, 116, 11, 14, 113},
    };
    for (const Row& r : rows) {
        const WindowLayout l = computeLayout(r.aspect, true, r.small);
        SCOPED_TRACE(testing::Message() << "aspect " << r.aspect << " small " << r.small);
        EXPECT_EQ(l.previewArea, r.preview);
        EXPECT_EQ(l.thumbnail, r.thumb);
        EXPECT_EQ(l.visibleThumbnails, r.visible);
        EXPECT_EQ(l.thumbnailPitch, r.pitch);
        EXPECT_EQ(l.selectionLeft, r.selLeft);
        EXPECT_EQ(l.focusLeft, r.focusLeft);
        EXPECT_EQ(l.focusRight, r.focusRight);
    }
    const WindowLayout normal = computeLayout(0, false, false);
    EXPECT_EQ(normal.client, QSize(653, 619));  // the designed client area
    EXPECT_EQ(normal.bgPanel, QRect(5, 0, 644, 484));
    EXPECT_EQ(normal.imageShow, QRect(5, 525, 642, 74));
    EXPECT_EQ(normal.buttonTop, 490);
    EXPECT_EQ(normal.buttonLeft[4], 300);
    EXPECT_EQ(computeLayout(1, true, false).buttonLeft, (std::array<int, 5>{5, 97, 143, 234, 51}));
}

TEST(WindowLayout, FitPreviewScalesOnlyWhenThePanelIsTooLow) {
    EXPECT_EQ(fitPreview(QSize(772, 484), QSize(1280, 800)), QRect(0, 0, 768, 480));
    EXPECT_EQ(fitPreview(QSize(772, 484), QSize(640, 480)), QRect(64, 0, 640, 480));
    EXPECT_EQ(fitPreview(QSize(504, 379), QSize(640, 480)), QRect(0, 0, 500, 375));
    EXPECT_EQ(fitPreview(QSize(644, 484), QSize(320, 240)), QRect(160, 120, 320, 240));
    EXPECT_EQ(fitPreview(QSize(644, 484), QSize(0, 0)), QRect(320, 240, 0, 0));
}

TEST(WindowLayout, ButtonHitRectanglesAreInclusive) {
    const WindowLayout l = computeLayout(0, false, false);
    EXPECT_TRUE(buttonHit(l, 1, QPoint(5, 490)));
    EXPECT_TRUE(buttonHit(l, 1, QPoint(45, 520)));  // right and bottom edges
    EXPECT_FALSE(buttonHit(l, 1, QPoint(46, 520)));
    EXPECT_FALSE(buttonHit(l, 1, QPoint(45, 521)));
    EXPECT_FALSE(buttonHit(l, 1, QPoint(4, 500)));
    EXPECT_TRUE(buttonHit(l, 3, QPoint(97 + 86, 500)));
    EXPECT_FALSE(buttonHit(l, 6, QPoint(5, 490)));
}

TEST(WindowLayout, CaptionsPopupAndEnlargedView) {
    EXPECT_EQ(button3Caption(1280, 800), "HD 720P");
    EXPECT_EQ(button3Caption(1280, 800, false), "1280x800");
    EXPECT_EQ(button3Caption(320, 240), "320x240");
    EXPECT_EQ(button3TextLeft(97, 51), 97 + 10);

    EXPECT_EQ(popupPosition(QPoint(100, 50), QPoint(143, 490), 96), QPoint(246, 600));
    EXPECT_EQ(popupPosition(QPoint(100, 50), QPoint(143, 490), 120), QPoint(246, 605));
    EXPECT_EQ(popupItemAt(19), 0);
    EXPECT_EQ(popupItemAt(38), 1);
    EXPECT_EQ(popupItemAt(39), 1);
    EXPECT_EQ(popupItemAt(56), 2);
    EXPECT_EQ(popupItemAt(57), 2);

    // A 16:9 work area is wider than 16:10: the height decides.
    EXPECT_EQ(enlargedClientSize(QSize(1920, 1040), QSize(10, 40), QSize(1280, 800)),
              QSize(1600, 1000));
    // A 4:3 work area: the width decides.
    EXPECT_EQ(enlargedClientSize(QSize(1024, 768), QSize(4, 30), QSize(1280, 800)),
              QSize(1020, 637));
}
