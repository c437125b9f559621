// TPopup: the capture-size selector that drops down under the size button.
#pragma once

#include <QImage>
#include <QWidget>

class TMainForm;
class ImageView;

class TPopup : public QWidget {
  public:
    explicit TPopup(TMainForm& mainForm);

    int highlighted() const { return highlighted_; }
    const QImage& picture() const { return picture_; }

    // Paints band k of the picture itself; black label pixels keep their colour.
    void HighlightItem(int k, bool highlighted);
    void FormShow();
    void ImageMouseMove(int x, int y);
    void ImageMouseUp(Qt::MouseButton button, int x, int y);
    void FormDeactivate();

  protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

  private:
    TMainForm& mainForm_;
    ImageView* Image_ = nullptr;
    QImage picture_;
    int highlighted_ = -1;
    int bandRight_ = 68;
};
