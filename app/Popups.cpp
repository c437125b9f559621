// TPopup: sized by the main window's camera aspect when it is created.
#include "Popups.h"

#include "Main.h"

TPopup::TPopup(TMainForm& mainForm)
    : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), mainForm_(mainForm) {
    // Three sizes for a wide camera, two for a 4:3 one.
    setFixedSize(71, mainForm_.cameraAspect() == 1 ? 58 : 39);
}
