// VideoWidget: frame painting, geometry and input drain for the video window.
#include "VideoWidget.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/TsanAnnotations.h"

namespace {
const QEvent::Type kFrameEvent = static_cast<QEvent::Type>(QEvent::User + 0x101);
}

VideoWidget::VideoWidget(QWidget* panel) : QWidget(panel), panel_(panel) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    hide();
}

VideoWidget::~VideoWidget() {
    attach(nullptr);
}

void VideoWidget::attach(const std::shared_ptr<platform::media::VideoWindow>& window) {
    if (window_) {
        window_->setFrameListener(nullptr);
        window_->setChangeListener(nullptr);
    }
    window_ = window;
    if (window_) {
        window_->setChangeListener([this] { apply(); });
        window_->setFrameListener([this] {
            auto* e = new QEvent(kFrameEvent);
            platform::tsanRelease(e);  // handled on the GUI thread
            QCoreApplication::postEvent(this, e);
        });
    }
    apply();
}

void VideoWidget::apply() {
    const bool owned = window_ && window_->owner() == static_cast<void*>(panel_);
    const bool wantFull = owned && window_->fullScreenMode();
    if (wantFull != fullScreen_) {
        fullScreen_ = wantFull;
        if (wantFull) {
            setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
        } else {
            setParent(panel_, Qt::Widget);
        }
    }
    // Embedded in its panel, the video lets the mouse through to the panel underneath: the
    // panel then sees its clicks and double clicks exactly as the platform delivers them.
    // Copies sent on by hand would each reset the double-click detection. A full-screen video
    // has no panel underneath and passes its input on itself.
    const bool drains = window_ && window_->messageDrain() == static_cast<void*>(panel_);
    setAttribute(Qt::WA_TransparentForMouseEvents, drains && !fullScreen_);
    if (!owned) {
        hide();
        return;
    }
    if (!fullScreen_) {
        const platform::media::WindowRect r = window_->windowPosition();
        setGeometry(r.left, r.top, r.width, r.height);
    }
    if (window_->visible()) {
        if (fullScreen_) {
            showFullScreen();
        } else {
            show();
            raise();
        }
    } else {
        hide();
    }
}

bool VideoWidget::event(QEvent* e) {
    if (e->type() == kFrameEvent) {
        platform::tsanAcquire(e);  // posted from a streaming thread
        update();
        return true;
    }
    return QWidget::event(e);
}

void VideoWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool drawn =
        window_ && window_->withLatestFrame([&](const platform::media::VideoFrameView& f) {
            // BGRx in memory is Qt's RGB32 on a little-endian machine; drawn straight from the
            // buffer.
            const QImage image(f.bgrx, f.width, f.height, f.stride, QImage::Format_RGB32);
            p.drawImage(rect(), image);
        });
    if (drawn) {
        ++painted_;
    } else {
        p.fillRect(rect(), Qt::black);
    }
}

// Mouse and keyboard input on the video goes to the message drain (the panel), so the panel's
// own handlers (double-click) see it.
void VideoWidget::drain(QMouseEvent* e) {
    QWidget* target =
        (window_ && window_->messageDrain() == static_cast<void*>(panel_)) ? panel_ : nullptr;
    if (target == nullptr) {
        return;
    }
    const QPointF local = target->mapFromGlobal(e->globalPosition());
    QMouseEvent copy(e->type(), local, e->globalPosition(), e->button(), e->buttons(),
                     e->modifiers());
    QCoreApplication::sendEvent(target, &copy);
}

void VideoWidget::forward(QEvent* e) {
    if (window_ && window_->messageDrain() == static_cast<void*>(panel_)) {
        QCoreApplication::sendEvent(panel_, e);
    }
}

void VideoWidget::mousePressEvent(QMouseEvent* e) {
    drain(e);
}
void VideoWidget::mouseReleaseEvent(QMouseEvent* e) {
    drain(e);
}
void VideoWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    drain(e);
}
void VideoWidget::mouseMoveEvent(QMouseEvent* e) {
    drain(e);
}
void VideoWidget::keyPressEvent(QKeyEvent* e) {
    forward(e);
}
