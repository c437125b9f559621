// The camera's settings: one row per control of the running camera (slider, check box, list or
// button), applied live and remembered; "Defaults" restores the camera's own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "CameraSettingsMemory.h"
#include "platform/media/CameraControls.h"

class QFormLayout;
class QLabel;
class QTimer;
class TDirectShow;

class CameraSettingsDialog : public QDialog {
  public:
    using Source = app::CameraAccess;
    // Where the user's changes are kept; either may be empty.
    struct Memory {
        std::function<void(const std::string& label, int value)> remember;
        std::function<void()> forget;
    };

    // The running camera of the capture component.
    static Source sourceOf(TDirectShow& camera);

    CameraSettingsDialog(TDirectShow& camera, QWidget* owner, Memory memory = {});
    CameraSettingsDialog(Source source, QWidget* owner, Memory memory = {});
    // False when the camera offers no controls (the dialog is then not shown).
    bool hasControls() const { return !rows_.empty(); }
    // Reads the controls again and shows their values and which ones are active. Runs shortly
    // after each change: switching an automatic mode changes what else may be set, and the
    // driver may have fitted the value to its step.
    void refresh();
    // The "Defaults" button: every control back to the camera's default, nothing remembered.
    void restoreDefaults();
    // The camera was removed: every row and "Defaults" are disabled for good, whatever the
    // source still reports.
    void cameraGone();

  private:
    struct Row {
        std::string label;
        platform::media::CameraControlKind kind;
        QWidget* editor;
        QLabel* number;  // beside an integer's slider, else null
    };

    void addRow(QFormLayout& form, const platform::media::CameraControl& c);
    void change(const std::string& label, int value);
    static void showControl(const Row& row, const platform::media::CameraControl& c);

    Source source_;
    Memory memory_;
    std::vector<Row> rows_;
    QTimer* refreshTimer_;
    QWidget* defaults_ = nullptr;
    bool gone_ = false;
};
