// The window's artwork, drawn from code at 1x: button image lists, the strip background, the
// selection picture and the size popup's picture. This file is the artwork's source.
#pragma once

#include <QImage>
#include <QSize>

namespace art {

enum class ButtonIcon { Snapshot, Delete, SizeField, Settings, Record };

// An image list as one strip of `frames` frames of `frameSize`, left to right: 0 disabled,
// 1 hover, 2 normal, 3 unused, 4 recording (record button only).
QImage buttonImageList(ButtonIcon icon, QSize frameSize, int frames);

// Frame `index` of an image list made by buttonImageList.
QImage frameOf(const QImage& list, QSize frameSize, int index);

// The strip's background behind the thumbnails.
QImage stripBackground(QSize size);

// Drawn behind a selected thumbnail: a cyan frame around a white field.
QImage selectionPicture(QSize size);

// The size popup: bands of 18 pixels with black labels on the normal colour (187, 197, 199).
QImage popupPicture(int items, int width);

// A brand logo: the brand's word set in a rounded badge.
QImage brandLogo(const QString& word, QSize size);

constexpr QRgb kWindowBackground = 0xFFFBFBFB;  // 251, 251, 251
constexpr QRgb kPanelColour = 0xFF636363;       // 99, 99, 99
constexpr QRgb kPopupNormal = 0xFFBBC5C7;       // 187, 197, 199
constexpr QRgb kPopupHighlight = 0xFF8080FF;    // 128, 128, 255

}  // namespace art
