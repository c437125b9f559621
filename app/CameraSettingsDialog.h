// The camera's settings: one slider per picture control of the running camera, applied live.
#pragma once

#include <QDialog>

class TDirectShow;

class CameraSettingsDialog : public QDialog {
public:
    CameraSettingsDialog(TDirectShow& camera, QWidget* owner);
    // False when the camera offers no controls (the dialog is then not shown).
    bool hasControls() const { return controls_ > 0; }

private:
    int controls_ = 0;
};
