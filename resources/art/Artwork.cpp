// Painted artwork: a flat, rounded button face per state with a pictogram in the middle.
#include "Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace art {
namespace {

struct FaceColours {
    QColor top, bottom, border, glyph;
};

FaceColours faceFor(int frame) {
    switch (frame) {
        case 0:  // disabled
            return {QColor(236, 236, 236), QColor(222, 222, 222), QColor(200, 200, 200),
                    QColor(170, 170, 170)};
        case 1:  // hover
            return {QColor(226, 242, 255), QColor(183, 219, 250), QColor(64, 140, 214),
                    QColor(24, 74, 128)};
        case 4:  // recording
            return {QColor(255, 226, 226), QColor(246, 180, 180), QColor(196, 40, 40),
                    QColor(196, 24, 24)};
        default:  // normal (and the unused frame)
            return {QColor(250, 250, 250), QColor(226, 229, 233), QColor(150, 156, 164),
                    QColor(52, 60, 70)};
    }
}

void drawFace(QPainter& p, const QRectF& r, const FaceColours& c) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, c.top);
    g.setColorAt(1, c.bottom);
    p.setPen(QPen(c.border, 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
}

void drawCamera(QPainter& p, QPointF c, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    QPainterPath body;
    body.addRoundedRect(QRectF(c.x() - 10, c.y() - 6, 20, 14), 2.5, 2.5);
    body.addRect(QRectF(c.x() - 4, c.y() - 9, 8, 4));
    p.drawPath(body.simplified());
    p.setBrush(Qt::white);
    p.drawEllipse(c + QPointF(0, 1), 4.6, 4.6);
    p.setBrush(ink);
    p.drawEllipse(c + QPointF(0, 1), 2.6, 2.6);
}

void drawBin(QPainter& p, QPointF c, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(c.x() - 8, c.y() - 8, 16, 2.5));
    p.drawRect(QRectF(c.x() - 3, c.y() - 10, 6, 2.5));
    QPainterPath can;
    can.moveTo(c.x() - 6.5, c.y() - 4.5);
    can.lineTo(c.x() + 6.5, c.y() - 4.5);
    can.lineTo(c.x() + 5, c.y() + 9);
    can.lineTo(c.x() - 5, c.y() + 9);
    can.closeSubpath();
    p.drawPath(can);
    p.setPen(QPen(Qt::white, 1.2));
    for (double dx : {-2.6, 0.0, 2.6}) {
        p.drawLine(QPointF(c.x() + dx, c.y() - 2), QPointF(c.x() + dx, c.y() + 6.5));
    }
}

void drawGear(QPainter& p, QPointF c, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    QPainterPath gear;
    gear.setFillRule(Qt::WindingFill);  // teeth and body overlap: fill the union
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth; ++i) {
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(i * 360.0 / kTeeth);
        QPainterPath tooth;
        tooth.addRect(QRectF(-2, -10, 4, 6));
        gear.addPath(t.map(tooth));
    }
    gear.addEllipse(c, 7, 7);
    p.drawPath(gear.simplified());
    p.setBrush(Qt::white);
    p.drawEllipse(c, 2.8, 2.8);
}

void drawRecordDot(QPainter& p, QPointF c, const QColor& ink, bool recording) {
    p.setPen(QPen(ink, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 8.5, 8.5);
    p.setPen(Qt::NoPen);
    p.setBrush(recording ? QColor(220, 20, 20)
                         : (ink == faceFor(0).glyph ? ink : QColor(208, 36, 36)));
    p.drawEllipse(c, 5.5, 5.5);
}

void drawSizeField(QPainter& p, const QRectF& r, const QColor& ink) {
    // A recessed field for the caption that the window writes; a small arrow on the right.
    p.setPen(QPen(ink.lighter(170), 1));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(QRectF(r.left() + 4.5, r.top() + 4.5, 66, r.height() - 9), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const double ax = r.left() + 77;
    const double ay = r.center().y();
    QPainterPath arrow;
    arrow.moveTo(ax - 4, ay - 2);
    arrow.lineTo(ax + 4, ay - 2);
    arrow.lineTo(ax, ay + 3);
    arrow.closeSubpath();
    p.drawPath(arrow);
}

}  // namespace

QImage buttonImageList(ButtonIcon icon, QSize frameSize, int frames) {
    QImage list(frameSize.width() * frames, frameSize.height(), QImage::Format_RGB32);
    list.fill(kWindowBackground);
    QPainter p(&list);
    p.setRenderHint(QPainter::Antialiasing);
    for (int f = 0; f < frames; ++f) {
        const QRectF r(f * frameSize.width(), 0, frameSize.width(), frameSize.height());
        const FaceColours c = faceFor(f);
        drawFace(p, r, c);
        const QPointF centre = r.center();
        switch (icon) {
            case ButtonIcon::Snapshot:
                drawCamera(p, centre, c.glyph);
                break;
            case ButtonIcon::Delete:
                drawBin(p, centre, c.glyph);
                break;
            case ButtonIcon::SizeField:
                drawSizeField(p, r, c.glyph);
                break;
            case ButtonIcon::Settings:
                drawGear(p, centre, c.glyph);
                break;
            case ButtonIcon::Record:
                drawRecordDot(p, centre, c.glyph, f == 4);
                break;
        }
    }
    return list;
}

QImage frameOf(const QImage& list, QSize frameSize, int index) {
    return list.copy(index * frameSize.width(), 0, frameSize.width(), frameSize.height());
}

QImage stripBackground(QSize size) {
    QImage img(size, QImage::Format_RGB888);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(72, 76, 82));
    g.setColorAt(1, QColor(44, 47, 52));
    p.fillRect(img.rect(), g);
    p.setPen(QColor(30, 32, 36));
    p.drawRect(img.rect().adjusted(0, 0, -1, -1));
    return img;
}

QImage selectionPicture(QSize size) {
    QImage img(size, QImage::Format_RGB888);
    img.fill(QColor(0, 200, 230));
    QPainter p(&img);
    p.fillRect(QRect(3, 3, size.width() - 6, size.height() - 6), Qt::white);
    return img;
}

QImage brandLogo(const QString& word, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(kWindowBackground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient g(0, 0, size.width(), 0);
    g.setColorAt(0, QColor(91, 42, 110));
    g.setColorAt(1, QColor(150, 70, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), size.height() / 2.0,
                      size.height() / 2.0);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(size.height() - 7);
    font.setBold(true);
    font.setLetterSpacing(QFont::PercentageSpacing, 108);
    p.setFont(font);
    p.setPen(QColor(255, 236, 170));
    p.drawText(QRect(0, 0, size.width(), size.height()), Qt::AlignCenter, word);
    return img;
}

QImage popupPicture(int items, int width) {
    static const char* const kLabels[] = {"320x240", "640x480", "HD 720P"};
    const int height = items == 3 ? 58 : 40;
    QImage img(width, height, QImage::Format_RGB888);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(QColor(99, 99, 99));
    p.drawRect(0, 0, width - 1, height - 1);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(12);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);  // labels stay pure black for the band painter
    p.setFont(font);
    for (int k = 0; k < items && k < 3; ++k) {
        const QRect band(2, 18 * k + 2, width - 4, 18);
        p.fillRect(band, QColor(kPopupNormal));
        p.setPen(Qt::black);
        p.drawText(band, Qt::AlignCenter, QString::fromLatin1(kLabels[k]));
    }
    return img;
}

}  // namespace art
