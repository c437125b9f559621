// TMainForm: the thumbnail strip, its clicks and keys, snapshots, deletion and folder messages.
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

// The scroll bar's range follows the list; the strip then shows its end.
void TMainForm::scrollToEnd() {
    const int maximum = gallery::scrollMaximum(gallery_.count());
    ScrollBar_->setMaximum(maximum);
    setScrollPosition(maximum - strip_.visibleCount + 1);
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
    const int maximum = gallery::scrollMaximum(gallery_.count());
    ScrollBar_->setMaximum(maximum);
    if (gallery_.focusIndex() > maximum) {
        gallery_.setFocusIndex(0);
    }
    setScrollPosition(maximum - strip_.visibleCount + 1);
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
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const int entry = gallery_.entryAt(strip_.hitSlot(p.x()), scrollPosition());
    const gallery::ClickResult r = gallery_.click(entry, shift, ctrl);
    DrawButton(2, deleteButtonState(gallery_));
    if (r.openIndex >= 0) {
        OpenItem(r.openIndex, edition_.clickOpensInPictureFolder);
    }
    if (r.redraw) {
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

void TMainForm::TakeSnapshot() {
    if (!folderUsable(pictureFolder_)) {
        return;  // the picture number is kept
    }
    if (edition_.freeSpaceCheck &&
        !platform::HasFreeDiskSpace(pictureFolder_, services_.freeSpace)) {
        ShowMessage(MSG_DISKFULL);
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

// The keyboard rules, applied in order.
void TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && gallery_.focusIndex() == -1) {
        TakeSnapshot();
        return;
    }
    const int count = gallery_.count();
    if (count == 0) {
        return;
    }
    const int last = count - 1;
    const int visible = strip_.visibleCount;
    auto select = [this](int from, int to) {
        for (int i = std::min(from, to); i <= std::max(from, to); ++i) {
            gallery_.SetItemSelected(i, true);
        }
    };
    // After an arrow move: Shift extends from the anchor, plain moves the anchor, Ctrl keeps both.
    auto selectionRule = [&] {
        const int focus = gallery_.focusIndex();
        if (shift) {
            if (gallery_.anchorIndex() == -1) {
                gallery_.setAnchorIndex(focus);
            } else {
                gallery_.DeselectAll();
                select(gallery_.anchorIndex(), focus);
            }
        } else if (!ctrl) {
            gallery_.DeselectAll();
            gallery_.setAnchorIndex(focus);
        }
    };
    if (ctrl && key == Qt::Key_A) {
        select(0, last);
    } else if (key == Qt::Key_Right) {
        // On the last picture the key only redraws: the selection must survive for Delete.
        if (gallery_.focusIndex() == -1) {
            gallery_.setFocusIndex(0);
        } else if (gallery_.focusIndex() < last) {
            gallery_.setFocusIndex(gallery_.focusIndex() + 1);
            if (gallery_.focusIndex() >= scrollPosition() + visible) {
                setScrollPosition(gallery_.focusIndex());
            }
            selectionRule();
        }
    } else if (key == Qt::Key_Left) {
        if (gallery_.focusIndex() == -1) {
            gallery_.setFocusIndex(last);
        } else if (gallery_.focusIndex() > 0) {
            gallery_.setFocusIndex(gallery_.focusIndex() - 1);
            if (gallery_.focusIndex() < scrollPosition()) {
                setScrollPosition(scrollPosition() < visible ? 0 : scrollPosition() - visible);
            }
            selectionRule();
        }
    } else if (key == Qt::Key_Home) {
        gallery_.setFocusIndex(0);
        if (gallery_.anchorIndex() == -1) {
            gallery_.setAnchorIndex(0);
        }
        if (shift) {
            gallery_.DeselectAll();
            select(0, gallery_.anchorIndex());
        } else if (!ctrl) {
            gallery_.DeselectAll();
            gallery_.setAnchorIndex(0);
        }
        setScrollPosition(0);
    } else if (key == Qt::Key_End) {
        gallery_.setFocusIndex(last);
        if (shift) {
            if (gallery_.anchorIndex() == -1) {
                gallery_.setAnchorIndex(last);
            } else {
                gallery_.DeselectAll();
                select(gallery_.anchorIndex(), last);
            }
        } else if (!ctrl) {
            gallery_.DeselectAll();
            gallery_.setAnchorIndex(last);
        }
        setScrollPosition(visible < last ? last - (visible - 1) : 0);
    } else if (enter) {
        const int focus = gallery_.focusIndex();
        if (ctrl) {
            gallery_.SetItemSelected(focus, !gallery_.IsItemSelected(focus));
        } else {
            OpenItem(focus, /*withWorkingDirectory=*/true);
        }
    } else if (key == Qt::Key_Delete) {
        if (buttonState(2) != kDisabled) {
            DeleteSelected();
        }
        return;
    } else if (key == Qt::Key_Escape) {
        gallery_.DeselectAll();
        gallery_.setFocusIndex(-1);
        gallery_.setAnchorIndex(-1);
        DrawButton(2, kDisabled);
    } else {
        return;
    }
    DrawButton(2, deleteButtonState(gallery_));
    if (key == Qt::Key_Escape) {
        DrawButton(2, kDisabled);
    }
    DrawStrip();
}
