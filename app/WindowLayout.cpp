// Window geometry computations, kept free of widgets so they are tested by tables.
#include "WindowLayout.h"

namespace app {

bool isSmallScreen(QSize screen) {
    return screen.width() < 1024 || screen.height() < 768;
}

WindowLayout computeLayout(int32_t cameraAspect, bool recordCapable, bool smallScreen) {
    WindowLayout l;
    const bool wide = cameraAspect == 1;
    if (smallScreen) {
        l.previewArea = wide ? QSize(600, 375) : QSize(500, 375);
    } else {
        l.previewArea = wide ? QSize(768, 480) : QSize(640, 480);
    }
    l.thumbnail = wide ? QSize(96, 60) : QSize(80, 60);
    l.visibleThumbnails = smallScreen ? 5 : 7;
    l.thumbnailPitch = l.thumbnail.width() + (smallScreen ? (wide ? 20 : 17) : (wide ? 12 : 10));
    l.selectionLeft = smallScreen ? 11 : 5;
    l.focusLeft = smallScreen ? 14 : 8;
    l.focusRight = l.thumbnail.width() + (smallScreen ? 17 : 12);

    const int w = l.previewArea.width();
    const int h = l.previewArea.height();
    l.bgPanel = QRect(5, 0, w + 4, h + 4);
    l.outer = QSize(w + 18, h + 175);
    l.client = QSize(l.outer.width() - kFrameExtraWidth, l.outer.height() - kFrameExtraHeight);
    l.imageShow = QRect(5, h + 45, w + 2, 74);
    l.scrollBar = QRect(7, h + 120, w, 17);
    l.buttonTop = h + 10;
    l.buttonLeft = recordCapable ? std::array<int, kButtonCount>{5, 97, 143, 234, 51}
                                 : std::array<int, kButtonCount>{5, 51, 97, 189, 300};
    return l;
}

WindowLayout brandedLayout() {
    WindowLayout l = computeLayout(0, false, false);
    l.client = QSize(652, 619);
    l.outer = QSize(652 + kFrameExtraWidth, 619 + kFrameExtraHeight);
    l.buttonTop = 492;
    l.buttonLeft = {5, 51, 97, 189, -1000};  // no record button
    return l;
}

QRect fitPreview(QSize panel, QSize image) {
    int pw = image.width();
    int ph = image.height();
    if (panel.height() < image.height() && image.height() > 0) {
        const float scale =
            static_cast<float>(panel.height() - 4) / static_cast<float>(image.height());
        pw = static_cast<int>(static_cast<float>(image.width()) * scale);
        ph = static_cast<int>(scale * static_cast<float>(image.height()));
    }
    const int top = (panel.height() - ph - 4) / 2;
    const int left = (panel.width() - pw - 4) / 2;
    return QRect(left, top, pw, ph);
}

bool buttonHit(const WindowLayout& layout, int button, QPoint p) {
    if (button < 1 || button > kButtonCount) {
        return false;
    }
    const int left = layout.buttonLeft[static_cast<size_t>(button - 1)];
    const int width = layout.buttonWidth[static_cast<size_t>(button - 1)];
    return p.x() >= left && p.x() <= left + width && p.y() >= layout.buttonTop &&
           p.y() <= layout.buttonTop + kButtonHeight;
}

std::string button3Caption(int width, int height, bool allowHd) {
    if (allowHd && width == 1280 && height == 800) {
        return "HD 720P";
    }
    return std::to_string(width) + "x" + std::to_string(height);
}

int button3TextLeft(int buttonLeft, int textWidth) {
    return buttonLeft + (72 - textWidth) / 2;
}

QPoint popupPosition(QPoint windowTopLeft, QPoint button3, int dotsPerInch) {
    const int dpiTerm = (dotsPerInch * 20 - 1920) / 96;
    return QPoint(windowTopLeft.x() + button3.x() + 3,
                  windowTopLeft.y() + dpiTerm + button3.y() + 60);
}

QPoint brandedPopupPosition(QPoint windowTopLeft, int dotsPerInch) {
    const int dpiTerm = (dotsPerInch * 20 - 1920) / 96;
    return QPoint(windowTopLeft.x() + 100, windowTopLeft.y() + 546 + dpiTerm);
}

int popupItemAt(int y) {
    return y / 20;
}

QSize enlargedClientSize(QSize workArea, QSize frameExtra, QSize view) {
    const int a = workArea.width() - frameExtra.width();
    const int b = workArea.height() - frameExtra.height();
    if (a <= 0 || b <= 0 || view.isEmpty()) {
        return view;
    }
    const auto w = static_cast<float>(view.width());
    const auto h = static_cast<float>(view.height());
    if (w / h < static_cast<float>(a) / static_cast<float>(b)) {
        return QSize(static_cast<int>(w * (static_cast<float>(b) / h)), b);
    }
    return QSize(a, static_cast<int>(h * (static_cast<float>(a) / w)));
}

}  // namespace app
