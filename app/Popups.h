// TPopup: the capture-size selector under the size button.
#pragma once

#include <QWidget>

class TMainForm;

class TPopup : public QWidget {
public:
    explicit TPopup(TMainForm& mainForm);

    int popupHeight() const { return height(); }

private:
    TMainForm& mainForm_;
};
