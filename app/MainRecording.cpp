// TMainForm: starting and stopping clips, the elapsed time in the caption, the limit events.

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include <QCoreApplication>
#include <QTimer>

#include "Main.h"
#include "RecordingControl.h"
#include "app/gallery/AutoLock.h"
#include "app/gallery/Thumbnail.h"
#include "app/gallery/VideoThumbnail.h"
#include "capture/nDirectShow.h"
#include "platform/DiskSpace.h"
#include "platform/Sleep.h"

using editions::MSG_DISKFULL;
using editions::MSG_FILELIMIT;
using editions::MSG_TITLE;

namespace {
uint32_t tickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

bool TMainForm::recTimerActive() const {
    return RecTimer_->isActive();
}

void TMainForm::ToggleRecording() {
    if (!edition_.recording) {
        return;
    }
    if (!readyForCommand()) {
        return;
    }
    gallery::AutoLock lock(busy_);
    if (!recording_.load()) {
        startRecording();
    } else {
        stopRecording();
    }
}

void TMainForm::startRecording() {
    if (!folderUsable(videoFolder_)) {
        return;  // the clip number is kept
    }
    if (!platform::HasFreeDiskSpace(pictureFolder_, services_.freeSpace)) {
        ShowMessage(MSG_DISKFULL);
        return;
    }
    OverwriteClip_ = false;
    const int32_t number = app::takeClipNumber(edition_.settingsKey);
    clipNumber_ = number;
    DrawButton(3, kDisabled);
    const std::optional<std::string> path = app::clipPathFor(videoFolder_, number);
    if (!path) {
        // The folder's path is too long for a clip path: nothing is recorded, the number is kept
        // free.
        app::giveClipNumberBack(edition_.settingsKey, number);
        DrawButton(3, kNormal);
        return;
    }
    clipPath_ = *path;
    if (::access(clipPath_.c_str(), F_OK) == 0) {
        const std::string question = texts_.formatFileExist(clipPath_);
        const bool yes =
            services_.messageBoxes != nullptr &&
            services_.messageBoxes->show(nullptr, question, texts_.text(MSG_TITLE),
                                         platform::MsgButtons::YesNo) == platform::MsgAnswer::Yes;
        if (!yes) {
            app::giveClipNumberBack(edition_.settingsKey, number);
            DrawButton(3, kNormal);
            return;
        }
        OverwriteClip_ = true;
    }
    recording_.store(true);
    DrawButton(5, kRecording);
    disarmMotion();  // a motion box drawn into a recorded frame would stay in the clip
    if (!DirectShow1_->StartRecord(clipPath_)) {
        endFailedStart(/*deleteFile=*/false);
        return;
    }
    DirectShow1_->Run();
    if (!DirectShow1_->Ready()) {
        endFailedStart(/*deleteFile=*/true);
        return;
    }
    applyRememberedCameraSettings();  // the recording build made a new source
    // The graph runs for about two seconds before anything is written.
    for (int i = 0; i < kRecordSettleRounds; ++i) {
        QCoreApplication::processEvents();
        platform::sleepMs(10);
    }
    if (!recording_.load()) {
        return;  // the camera went during the hold and its handler ended the recording
    }
    DirectShow1_->options().CaptureAudio = true;
    DirectShow1_->StartCapture();
    RecordingStartTick_ = tickCount();
    RecTimer_->start();
}

// A start that did not run goes back to the preview; a graph that never ran leaves no file and
// gives its number back.
void TMainForm::endFailedStart(bool deleteFile) {
    RecTimer_->stop();
    setWindowTitle(QString::fromStdString(texts_.text(MSG_TITLE)));
    DirectShow1_->Close();
    recording_.store(false);
    DrawButton(5, kNormal);
    StartPreview(false);
    DrawButton(3, kNormal);
    if (deleteFile) {
        dropUnwrittenClip(clipPath_);
    }
}

// A clip file with no frame in it (the start never ran, or the camera went before writing
// began) is not a clip: it is removed, and its number is free for the next one.
void TMainForm::dropUnwrittenClip(const std::string& path) {
    ::unlink(path.c_str());
    app::giveClipNumberBack(edition_.settingsKey, clipNumber_);
}

void TMainForm::stopRecording() {
    finishClip();
    StartPreview(false);
    DrawButton(3, kNormal);
}

// Ends the recording: the file is completed by closing the graph, and the clip joins the strip.
void TMainForm::finishClip() {
    RecTimer_->stop();
    setWindowTitle(QString::fromStdString(texts_.text(MSG_TITLE)));
    DirectShow1_->Close();  // the clip file is finished here
    recording_.store(false);
    DrawButton(5, kNormal);

    const std::string path = DirectShow1_->FileName();
    if (DirectShow1_->RecordingWroteNothing()) {
        dropUnwrittenClip(path);
        return;
    }
    QImage frame;
    QImage thumb;
    gallery::MakeVideoThumbnail(path, frame, 5000);
    if (gallery::MakeThumbnail(frame, thumb, true, layout_.thumbnail)) {
        if (OverwriteClip_) {
            const int index = gallery_.ReplaceItemThumbnail(imageCache_, path, thumb);
            if (index >= 0) {
                setScrollPosition(gallery::scrollToShow(index, strip_.visibleCount));
            }
        } else {
            gallery_.appendEntry(path);
            gallery::GalleryModel::AddGalleryItem(imageCache_, path, thumb);
            scrollToEnd();
        }
        DrawStrip();
    }
}

void TMainForm::RecTimerTimer() {
    setWindowTitle(QString::fromStdString(
        app::recordingCaption(texts_.text(MSG_TITLE), tickCount() - RecordingStartTick_)));
}

void TMainForm::DirectShow1RecordDiskFull(TDirectShow*, void*) {
    if (!DirectShow1_->InRecord()) {
        return;
    }
    ToggleRecording();
    ShowMessage(MSG_DISKFULL);
}

void TMainForm::DirectShow1RecordFileLimit(TDirectShow*, void*) {
    if (!DirectShow1_->InRecord()) {
        return;
    }
    ToggleRecording();
    ShowMessage(MSG_FILELIMIT);
}
