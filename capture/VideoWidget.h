// The renderer's window on screen: a child of its owner panel that paints the newest frame of
// a graph's video window and follows its position, visibility and full-screen mode.
//
// Threads: GUI thread only, except the frame listener, which posts an event from the
// streaming thread (under the video window's frame lock, so it never outlives this widget).
#pragma once

#include <memory>

#include <QWidget>

#include "platform/media/VideoWindow.h"

class VideoWidget : public QWidget {
  public:
    explicit VideoWidget(QWidget* panel);
    ~VideoWidget() override;

    // Follows `window` (null: detach and hide).
    void attach(const std::shared_ptr<platform::media::VideoWindow>& window);
    // Re-reads owner, position, visibility and full-screen mode from the video window.
    void apply();
    uint64_t framesPainted() const { return painted_; }

  protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void forward(QEvent* e);
    void drain(QMouseEvent* e);

    QWidget* panel_;
    std::shared_ptr<platform::media::VideoWindow> window_;
    bool fullScreen_ = false;
    uint64_t painted_ = 0;
};
