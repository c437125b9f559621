// ImageView: paints its picture at (0, 0), unscaled.
#include "ImageView.h"

#include <QMouseEvent>
#include <QPainter>

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
}

void ImageView::setImage(const QImage& image) {
    image_ = image;
    update();
}

void ImageView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), image_);
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
    if (onMouseUp) {
        onMouseUp(event->button(), event->position().toPoint());
    }
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMove) {
        onMouseMove(event->position().toPoint());
    }
}
