// TMainForm: the thumbnail strip, its clicks and keys, snapshots, deletion and folder messages.
#include <cstdio>

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "ImageView.h"
#include "Main.h"
#include "app/gallery/AutoLock.h"
#include "app/gallery/JpegWriter.h"
#include "app/gallery/Notify.h"
#include "app/gallery/SnapshotFiles.h"
#include "app/gallery/SnapshotNaming.h"
#include "app/gallery/Thumbnail.h"
#include "capture/nDirectShow.h"
#include "platform/DiskSpace.h"
#include "platform/KnownFolders.h"
#include "platform/Sleep.h"

using editions::MSG_DELETE_ERROR;
using editions::MSG_DELETE_MESSAGE;
using editions::MSG_DISKFULL;
using platform::MsgAnswer;
using platform::MsgButtons;

int TMainForm::scrollPosition() const {
    return ScrollBar_->value();
}

void TMainForm::setScrollPosition(int position) {
    ScrollBar_->setValue(std::max(0, position));
}

// The scroll bar's range ends where the last page is full: at its end the slider sits at the
// end of its track and shows the last entries, never empty slots after them.
void TMainForm::updateScrollRange() {
    ScrollBar_->setPageStep(strip_.visibleCount);
    ScrollBar_->setRange(0, gallery::scrollEndPosition(gallery_.count(), strip_.visibleCount));
}

// The scroll bar's range follows the list; the strip then shows its end.
void TMainForm::scrollToEnd() {
    updateScrollRange();
    setScrollPosition(ScrollBar_->maximum());
}

bool TMainForm::imageListStore() const {
    return edition_.thumbnailStore == editions::ThumbnailStore::ImageList;
}

// The snapshot and record commands: a stopped preview is restarted instead, a busy window
// ignores the command.
bool TMainForm::readyForCommand() {
    if (!DirectShow1_->Ready()) {
        StartPreview(false);
        return false;
    }
    return busy_ == 0;
}

// The delete button follows the selection as the gallery's rules leave it.
static int32_t deleteButtonState(const gallery::GalleryModel& model) {
    return model.deleteEnabled() ? TMainForm::kNormal : TMainForm::kDisabled;
}

void TMainForm::RescanGallery() {
    gallery::AutoLock lock(busy_);
    if (!lock.owns()) {
        return;
    }
    ++rescans_;
    ScrollBar_->setMaximum(0);
    if (!imageListStore()) {
        DrawButton(2, kDisabled);
        lastRescan_ = gallery_.RescanGallery(imageCache_, pictureFolder_,
                                             edition_.recording ? videoFolder_ : std::string(),
                                             layout_.thumbnail);
        DrawButton(2, deleteButtonState(gallery_));
    } else {
        // The image-list rescan leaves the delete button as it was: marks carry over, so a
        // button drawn disabled here would leave selected pictures that Delete cannot remove.
        gallery_.RescanPicturesOnly(imageList_, pictureFolder_,
                                    [] { QCoreApplication::processEvents(); });
    }
    if (gallery_.focusIndex() > gallery::scrollMaximum(gallery_.count())) {
        gallery_.setFocusIndex(0);
    }
    scrollToEnd();
    DrawStrip();
}

// Paints the visible slots from cached pixels only; never decodes a file.
void TMainForm::DrawStrip() {
    if (drawingStrip_) {
        return;
    }
    drawingStrip_ = true;
    QImage& canvas = ImageShow_->image();
    canvas = stripBackground_.copy(0, 0, ImageShow_->width(), ImageShow_->height())
                 .convertToFormat(QImage::Format_RGB32);
    QPainter p(&canvas);
    QPen dotted(Qt::black);
    dotted.setStyle(Qt::DotLine);
    dotted.setWidth(1);
    const int maximum = gallery::scrollMaximum(gallery_.count());
    for (int s = 0, j = scrollPosition();
         gallery_.count() > 0 && j <= maximum && s < strip_.visibleCount; ++s, ++j) {
        if (gallery_.IsItemSelected(j)) {
            p.drawImage(strip_.selectionX(s), gallery::StripGeometry::kSelectTop,
                        selectionPicture_);
        }
        QImage thumb;
        if (!imageListStore()) {
            const int found = imageCache_.IndexOf(std::string(gallery_.pathAt(j)));
            if (found >= 0) {
                thumb = gallery::thumbnailFromRecord(imageCache_.entry(found));
            }
        } else if (static_cast<size_t>(j) < imageList_.size()) {
            thumb = imageList_[static_cast<size_t>(j)];
        }
        if (!thumb.isNull()) {
            p.drawImage(strip_.thumbX(s), gallery::StripGeometry::kThumbTop, thumb);
        }
        if (j == gallery_.focusIndex()) {
            p.setPen(dotted);
            const int x0 = s * strip_.pitch + strip_.frameLeft;
            const int x1 = s * strip_.pitch + strip_.frameRight;
            p.drawPolygon(QPolygon({QPoint(x0, gallery::StripGeometry::kFrameTop),
                                    QPoint(x1, gallery::StripGeometry::kFrameTop),
                                    QPoint(x1, gallery::StripGeometry::kFrameBottom),
                                    QPoint(x0, gallery::StripGeometry::kFrameBottom)}));
        }
    }
    p.end();
    ImageShow_->update();
    drawingStrip_ = false;
}

void TMainForm::ImageShowMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                 QPoint p) {
    if (button != Qt::LeftButton) {
        return;
    }
    const int entry = gallery_.entryAt(strip_.hitSlot(p.x()), scrollPosition());
    const gallery::StripActions actions = gallery_.click(
        entry, modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier));
    DrawButton(2, deleteButtonState(gallery_));
    performStripActions(actions);
}

// What the strip's input rules asked for, after their new state is applied.
void TMainForm::performStripActions(const gallery::StripActions& actions) {
    if (actions.snapshot) {
        TakeSnapshot();
    }
    if (actions.deleteSelected) {
        DeleteSelected();
    }
    if (actions.open >= 0) {
        OpenItem(actions.open, actions.openInPictureFolder || edition_.clickOpensInPictureFolder);
    }
    if (actions.scrollTo) {
        setScrollPosition(*actions.scrollTo);
    }
    if (actions.redraw) {
        DrawButton(2, deleteButtonState(gallery_));
        DrawStrip();
    }
}

void TMainForm::OpenItem(int index, bool withWorkingDirectory) {
    if (services_.shell == nullptr || index < 0 || index >= gallery_.count()) {
        return;
    }
    services_.shell->open(std::string(gallery_.pathAt(index)),
                          withWorkingDirectory ? pictureFolder_ : std::string());
}

void TMainForm::DeleteSelected() {
    // Like the snapshot and record commands: a busy window ignores the command at once instead
    // of waiting for a holder that runs on this same thread.
    if (busy_ != 0) {
        return;
    }
    gallery::AutoLock lock(busy_);
    if (!lock.owns()) {
        return;
    }
    if (ShowMessage(MSG_DELETE_MESSAGE, MsgButtons::YesNo) != MsgAnswer::Yes) {
        return;
    }
    gallery_.DeleteSelected(
        imageCache_, [this](const std::string&) { ShowMessage(MSG_DELETE_ERROR); }, &imageList_);
    gallery_.setFocusIndex(-1);
    gallery_.setAnchorIndex(-1);
    DrawButton(2, deleteButtonState(gallery_));
    scrollToEnd();
    DrawStrip();
}

// A folder that cannot be made or written to is named to the user; nothing is written
// anywhere else instead.
bool TMainForm::folderUsable(const std::string& folder) {
    if (platform::usableFolder(folder)) {
        return true;
    }
    if (services_.messageBoxes != nullptr) {
        services_.messageBoxes->show(
            nullptr, app::substituteFirstS(texts_.text(editions::MSG_FOLDER_UNUSABLE), folder),
            texts_.text(editions::MSG_TITLE), MsgButtons::Ok);
    }
    return false;
}

void TMainForm::TakeSnapshot(bool byMotion) {
    if (byMotion && !platform::usableFolder(pictureFolder_)) {
        std::fprintf(stderr, "motion picture skipped: the folder %s cannot be used\n",
                     pictureFolder_.c_str());
        return;
    }
    if (!folderUsable(pictureFolder_)) {
        return;  // the picture number is kept
    }
    if (edition_.freeSpaceCheck &&
        !platform::HasFreeDiskSpace(pictureFolder_, services_.freeSpace)) {
        if (byMotion) {
            std::fprintf(stderr, "motion picture skipped: the disk is full\n");
        } else {
            ShowMessage(MSG_DISKFULL);
        }
        return;
    }
    if (!readyForCommand()) {
        return;
    }
    gallery::AutoLock lock(busy_);
    gallery::SnapshotSettings settings;
    settings.pictureFolder = pictureFolder_;
    settings.artist = edition_.exifArtist;
    settings.exifOnOverwrite = edition_.exifOnOverwrite;
    settings.brandedThumbnail = edition_.thumbnailStyle == editions::ThumbnailStyle::Stretched;
    settings.thumbSize = layout_.thumbnail;
    if (services_.clock) {
        settings.clock = services_.clock;
    }
    settings.unattended = byMotion;
    const gallery::SnapshotOutcome out = gallery::takeSnapshotFiles(
        pictureCounter_, gallery_, imageListStore() ? nullptr : &imageCache_, settings,
        [this] {
            const bool arrived = DirectShow1_->StillImg();
            QImage still;
            DirectShow1_->GetImg(still);
            return arrived ? still : QImage();
        },
        [this](int32_t number) {
            const std::string question = gallery::overwriteQuestion(texts_, number);
            return services_.messageBoxes != nullptr &&
                   services_.messageBoxes->show(nullptr, question, texts_.text(editions::MSG_TITLE),
                                                MsgButtons::YesNo) == MsgAnswer::Yes;
        });
    using Result = gallery::SnapshotOutcome::Result;
    if (out.result == Result::NoFreeNumber) {
        std::fprintf(stderr, "motion picture skipped: the next %d picture numbers are taken\n",
                     gallery::kFreeNumberTries);
    }
    if (out.result != Result::Added && out.result != Result::Replaced) {
        return;
    }
    if (out.result == Result::Added) {
        if (imageListStore()) {
            imageList_.push_back(out.thumb);
        }
        scrollToEnd();
    } else if (out.listIndex >= 0) {
        if (!imageListStore()) {
            setScrollPosition(gallery::scrollToShow(out.listIndex, strip_.visibleCount));
        } else {
            // The picture's own list index, not its place in the folder's search order: an
            // undecodable picture is not in the list and would shift every later one.
            if (static_cast<size_t>(out.listIndex) < imageList_.size()) {
                imageList_[static_cast<size_t>(out.listIndex)] = out.thumb;
            }
            setScrollPosition(out.listIndex);  // the replaced picture becomes the leftmost one
        }
    }
    DrawStrip();
}

void TMainForm::HandleFolderMessage(uint32_t message) {
    const bool rescan = message == gallery::WM_RESCANGALLERY ||
                        (message == gallery::WM_FOLDERCHANGED && !isActiveWindow());
    if (!rescan) {
        return;
    }
    // One rescan per message, each after its own wait; the waits run one after another on a
    // timer, so that the window paints and answers between them.
    ++pendingRescans_;
    if (!RescanTimer_->isActive()) {
        RescanTimer_->start(static_cast<int>(platform::scaledMs(kRescanWaitMs)));
    }
}

void TMainForm::RescanTimerTimer() {
    --pendingRescans_;
    if (busy_ == 0) {
        RescanGallery();
    }
    if (pendingRescans_ > 0) {
        RescanTimer_->start(static_cast<int>(platform::scaledMs(kRescanWaitMs)));
    }
}

void TMainForm::customEvent(QEvent* event) {
    if (event->type() == DeviceChangeEvent::kType) {
        const auto* change = static_cast<DeviceChangeEvent*>(event);
        DeviceChange(change->event, change->name);
        return;
    }
    if (motionSnapshotEvent(event)) {
        return;
    }
    const int type = static_cast<int>(event->type()) - static_cast<int>(QEvent::User);
    if (type == static_cast<int>(gallery::WM_FOLDERCHANGED) ||
        type == static_cast<int>(gallery::WM_RESCANGALLERY)) {
        HandleFolderMessage(static_cast<uint32_t>(type));
        return;
    }
    QWidget::customEvent(event);
}

void TMainForm::focusInEvent(QFocusEvent* event) {
    ApplyLanguage();
    QWidget::focusInEvent(event);
}

void TMainForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        ApplyLanguage();
    }
    QWidget::changeEvent(event);
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event->key(), event->modifiers());
}

static gallery::StripKey stripKeyOf(int key) {
    switch (key) {
        case Qt::Key_Left:
            return gallery::StripKey::Left;
        case Qt::Key_Right:
            return gallery::StripKey::Right;
        case Qt::Key_Home:
            return gallery::StripKey::Home;
        case Qt::Key_End:
            return gallery::StripKey::End;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return gallery::StripKey::Enter;
        case Qt::Key_Delete:
            return gallery::StripKey::Delete;
        case Qt::Key_Escape:
            return gallery::StripKey::Escape;
        case Qt::Key_A:
            return gallery::StripKey::A;
        default:
            return gallery::StripKey::Other;
    }
}

void TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const gallery::StripStep step =
        gallery::stripKey(gallery_.stripState(scrollPosition()), stripKeyOf(key),
                          modifiers.testFlag(Qt::ShiftModifier),
                          modifiers.testFlag(Qt::ControlModifier), strip_.visibleCount);
    gallery_.setStripState(step.state);
    performStripActions(step.actions);
}
