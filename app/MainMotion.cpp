// TMainForm: pictures taken when something moves in the preview ("MotionSnapshot").
//
// The frame filter's motion trigger is one-shot: it fires once and stays off until armed again.
// Its report comes on the streaming thread and is posted to the window; the window takes the
// picture through the snapshot command and arms the trigger again one interval later. So at most
// one report is ever on its way, and no picture comes sooner than an interval after the last.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include "Main.h"
#include "capture/nDirectShow.h"
#include "platform/TsanAnnotations.h"

namespace {
const QEvent::Type kMotionEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}  // namespace

void TMainForm::setUpMotionSnapshots(int32_t seconds) {
    motionSnapshotSeconds_ = seconds;
    if (seconds <= 0) {
        return;  // no handler: the component raises nothing
    }
    MotionTimer_ = new QTimer(this);
    MotionTimer_->setSingleShot(true);
    MotionTimer_->setInterval(seconds * 1000);
    connect(MotionTimer_, &QTimer::timeout, this, [this] { armMotion(); });
    // Set while no graph runs: the streaming thread reads it from the first frame on.
    DirectShow1_->events().OnMotion = [this](TDirectShow* sender, void* eventData) {
        DirectShow1Motion(sender, eventData);
    };
}

// Streaming thread: only the posting; the window does the rest on its own thread.
void TMainForm::DirectShow1Motion(TDirectShow*, void*) {
    auto* e = new QEvent(kMotionEvent);
    platform::tsanRelease(e);
    QCoreApplication::postEvent(this, e);
}

bool TMainForm::motionSnapshotEvent(QEvent* event) {
    if (event->type() != kMotionEvent) {
        return false;
    }
    platform::tsanAcquire(event);
    if (motionSnapshotSeconds_ <= 0) {
        return true;
    }
    // While recording, busy or without a preview the report is dropped; the interval still
    // runs, and the trigger is armed again after it when a preview runs.
    if (DirectShow1_->Ready() && !recording_.load() && busy_ == 0) {
        TakeSnapshot(/*byMotion=*/true);
    }
    MotionTimer_->start();
    return true;
}

void TMainForm::armMotion() {
    if (motionSnapshotSeconds_ > 0 && !MotionTimer_->isActive() && DirectShow1_->Ready() &&
        !recording_.load()) {
        DirectShow1_->MotionEnabled_set(true);
    }
}

void TMainForm::disarmMotion() {
    if (motionSnapshotSeconds_ > 0) {
        DirectShow1_->MotionEnabled_set(false);
    }
}

bool TMainForm::motionTimerActive() const {
    return MotionTimer_ != nullptr && MotionTimer_->isActive();
}
