// Sliders built from the camera's control list; each move goes straight to the camera.
#include "CameraSettingsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "capture/nDirectShow.h"

CameraSettingsDialog::CameraSettingsDialog(TDirectShow& camera, QWidget* owner) : QDialog(owner) {
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* form = new QFormLayout;
    for (const platform::media::CameraControl& c : camera.CameraControls()) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setRange(c.minimum, c.maximum);
        slider->setValue(c.value);
        slider->setMinimumWidth(220);
        slider->setObjectName(QString::fromStdString(c.label));
        const std::string label = c.label;
        connect(slider, &QSlider::valueChanged, this,
                [&camera, label](int value) { camera.SetCameraControl(label, value); });
        QString title = QString::fromStdString(c.label).toLower();
        if (!title.isEmpty()) {
            title[0] = title[0].toUpper();
        }
        form->addRow(title, slider);
        ++controls_;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    move(30, 30);
}
