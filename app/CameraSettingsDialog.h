// The camera's settings: one row per control of the running camera (slider, check box, list or
// button), applied live.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "platform/media/CameraControls.h"

class QFormLayout;
class QLabel;
class QTimer;
class TDirectShow;

class CameraSettingsDialog : public QDialog {
  public:
    // Where the controls are read from and where a change goes.
    struct Source {
        std::function<std::vector<platform::media::CameraControl>()> list;
        std::function<bool(const std::string& label, int value)> set;
    };

    CameraSettingsDialog(TDirectShow& camera, QWidget* owner);
    CameraSettingsDialog(Source source, QWidget* owner);
    // False when the camera offers no controls (the dialog is then not shown).
    bool hasControls() const { return !rows_.empty(); }
    // Reads the controls again and shows their values and which ones are active. Runs shortly
    // after each change: switching an automatic mode changes what else may be set, and the
    // driver may have fitted the value to its step.
    void refresh();

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
    std::vector<Row> rows_;
    QTimer* refreshTimer_;
};
