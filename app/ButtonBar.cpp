// Buttons drawn from their image lists; the state is the index of the frame.
#include "ButtonBar.h"

#include <QFontMetrics>

#include "resources/art/Artwork.h"

namespace app {

ButtonBar::ButtonBar() {
    lists_[0] = art::buttonImageList(art::ButtonIcon::Snapshot, QSize(40, 30), 4);
    lists_[1] = art::buttonImageList(art::ButtonIcon::Delete, QSize(40, 30), 4);
    lists_[2] = art::buttonImageList(art::ButtonIcon::SizeField, QSize(86, 30), 4);
    lists_[3] = art::buttonImageList(art::ButtonIcon::Settings, QSize(40, 30), 4);
    lists_[4] = art::buttonImageList(art::ButtonIcon::Record, QSize(40, 30), 5);
}

void ButtonBar::setImageSize(int width, int height, bool allowHd) {
    imageWidth_ = width;
    imageHeight_ = height;
    allowHd_ = allowHd;
}

void ButtonBar::setState(int button, int32_t state) {
    if (button < 1 || button > kButtonCount) {
        return;
    }
    int32_t& stored = states_[static_cast<size_t>(button - 1)];
    if (button == 5 && recording_) {
        stored = kRecording;
        return;
    }
    if (state != kRedraw) {
        stored = state;
    }
}

QRect ButtonBar::rectOf(int button) const {
    const size_t i = static_cast<size_t>(button - 1);
    return QRect(layout_.buttonLeft[i], layout_.buttonTop, layout_.buttonWidth[i], kButtonHeight);
}

void ButtonBar::paint(QPainter& painter, const QFont& font, const QColor& textColour) const {
    for (int b = 1; b <= kButtonCount; ++b) {
        if (!drawn(b)) {
            continue;
        }
        const size_t i = static_cast<size_t>(b - 1);
        const int width = layout_.buttonWidth[i];
        const int frames = lists_[i].width() / width;
        const int frame = std::clamp(states_[i], 0, frames - 1);
        painter.drawImage(rectOf(b).topLeft(), lists_[i],
                          QRect(frame * width, 0, width, kButtonHeight));
        if (b == 3) {
            const QString caption =
                QString::fromStdString(button3Caption(imageWidth_, imageHeight_, allowHd_));
            painter.setFont(font);
            painter.setPen(textColour);
            const QFontMetrics metrics(font);
            const int left = button3TextLeft(rectOf(3).left(), metrics.horizontalAdvance(caption));
            painter.drawText(QPoint(left, rectOf(3).top() + 6 + metrics.ascent()), caption);
        }
    }
}

}  // namespace app
