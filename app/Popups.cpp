// TPopup: the size items drawn in one picture; a band follows the pointer, a left release chooses.
#include "Popups.h"

#include <QEvent>

#include "ImageView.h"
#include "Main.h"
#include "resources/art/Artwork.h"

TPopup::TPopup(TMainForm& mainForm)
    // A borderless window of its own that takes the activation when shown and hides when it
    // loses it, not a popup that holds the mouse: a click elsewhere closes it and still reaches
    // what was clicked. It stands where the window asks, outside the window manager's placing.
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint),
      mainForm_(mainForm) {
    // The picture holds the edition's sizes; the popup shows as many as the camera is offered.
    picture_ = art::popupPicture(mainForm_.edition().popupSizes, 71);
    bandRight_ = mainForm_.edition().popupBandRight;
    setFixedSize(71, mainForm_.offeredSizeCount() == 3 ? 58 : 39);
    Image_ = new ImageView(this);
    Image_->setGeometry(0, 0, width(), height());
    Image_->onMouseMove = [this](QPoint p) { ImageMouseMove(p.x(), p.y()); };
    Image_->onMouseUp = [this](Qt::MouseButton b, QPoint p) { ImageMouseUp(b, p.x(), p.y()); };
    mainForm_.setPopup(this);
}

void TPopup::HighlightItem(int k, bool highlighted) {
    if (k < 0) {
        return;
    }
    const QRgb colour = highlighted ? art::kPopupHighlight : art::kPopupNormal;
    for (int y = 18 * k + 2; y <= 18 * k + 19 && y < picture_.height(); ++y) {
        for (int x = 2; x <= bandRight_ && x < picture_.width(); ++x) {
            if ((picture_.pixel(x, y) & 0xFFFFFF) != 0) {
                picture_.setPixel(x, y, colour);
            }
        }
    }
    Image_->setImage(picture_);
}

void TPopup::FormShow() {
    highlighted_ = -1;
    for (int k = 0; k < 3; ++k) {
        HighlightItem(k, false);
    }
}

void TPopup::ImageMouseMove(int, int y) {
    if (highlighted_ >= 0) {
        HighlightItem(highlighted_, false);
    }
    highlighted_ = y / 20;
    HighlightItem(highlighted_, true);
}

void TPopup::ImageMouseUp(Qt::MouseButton button, int x, int y) {
    if (button != Qt::LeftButton) {
        return;
    }
    hide();
    mainForm_.update();
    // A press on the picture holds the mouse until its release, so a release anywhere reaches
    // it: only a release on an offered item chooses. The picture's hidden items (below a short
    // popup) are not offered.
    if (x < 0 || x >= width() || y < 0 || y >= height() || y / 20 >= mainForm_.offeredSizeCount()) {
        return;
    }
    mainForm_.ChooseResolution(y / 20);
}

void TPopup::FormDeactivate() {
    hide();
}

void TPopup::showEvent(QShowEvent* event) {
    FormShow();
    QWidget::showEvent(event);
}

bool TPopup::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && isVisible()) {
        FormDeactivate();
    }
    return QWidget::event(event);
}
