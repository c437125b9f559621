// A widget that shows one picture and reports mouse releases on it (the strip, the popup).
#pragma once

#include <functional>

#include <QImage>
#include <QWidget>

class ImageView : public QWidget {
  public:
    explicit ImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return image_; }
    QImage& image() { return image_; }

    std::function<void(Qt::MouseButton, QPoint)> onMouseUp;
    std::function<void(QPoint)> onMouseMove;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QImage image_;
};
