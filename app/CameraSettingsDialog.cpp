// Rows built from the camera's control list; each change goes straight to the camera and is
// remembered, and the list is read again shortly after so that values and active states stay
// true.
#include "CameraSettingsDialog.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "capture/nDirectShow.h"

using platform::media::CameraControl;
using platform::media::CameraControlKind;

namespace {

// Long enough to let a dragged slider settle before the camera is asked again.
constexpr int kRefreshDelayMs = 150;

QString titleOf(const std::string& label) {
    QString title = QString::fromStdString(label).toLower();
    if (!title.isEmpty()) {
        title[0] = title[0].toUpper();
    }
    return title;
}

}  // namespace

CameraSettingsDialog::Source CameraSettingsDialog::sourceOf(TDirectShow& camera) {
    return {[&camera] { return camera.CameraControls(); },
            [&camera](const std::string& label, int value) {
                return camera.SetCameraControl(label, value);
            }};
}

CameraSettingsDialog::CameraSettingsDialog(TDirectShow& camera, QWidget* owner, Memory memory)
    : CameraSettingsDialog(sourceOf(camera), owner, std::move(memory)) {}

CameraSettingsDialog::CameraSettingsDialog(Source source, QWidget* owner, Memory memory)
    : QDialog(owner),
      source_(std::move(source)),
      memory_(std::move(memory)),
      refreshTimer_(new QTimer(this)) {
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(kRefreshDelayMs);
    connect(refreshTimer_, &QTimer::timeout, this, &CameraSettingsDialog::refresh);

    auto* form = new QFormLayout;
    for (const CameraControl& c : source_.list()) {
        addRow(*form, c);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    QPushButton* defaults =
        buttons->addButton(QStringLiteral("Defaults"), QDialogButtonBox::ResetRole);
    defaults->setObjectName(QStringLiteral("defaultsButton"));
    connect(defaults, &QPushButton::clicked, this, &CameraSettingsDialog::restoreDefaults);
    defaults_ = defaults;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    move(30, 30);
}

void CameraSettingsDialog::addRow(QFormLayout& form, const CameraControl& c) {
    const std::string label = c.label;
    Row row{label, c.kind, nullptr, nullptr};
    switch (c.kind) {
        case CameraControlKind::Integer: {
            auto* slider = new QSlider(Qt::Horizontal, this);
            slider->setRange(c.minimum, c.maximum);
            slider->setSingleStep(c.step);
            const int64_t tenth = (static_cast<int64_t>(c.maximum) - c.minimum) / 10;
            slider->setPageStep(static_cast<int>(std::max<int64_t>(c.step, tenth)));
            slider->setMinimumWidth(220);
            auto* number = new QLabel(this);
            number->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("-00000")));
            number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            connect(slider, &QSlider::valueChanged, this, [this, label, number](int value) {
                number->setNum(value);
                change(label, value);
            });
            auto* line = new QHBoxLayout;
            line->addWidget(slider);
            line->addWidget(number);
            form.addRow(titleOf(label), line);
            row.editor = slider;
            row.number = number;
            break;
        }
        case CameraControlKind::Boolean: {
            auto* box = new QCheckBox(this);
            connect(box, &QCheckBox::toggled, this,
                    [this, label](bool on) { change(label, on ? 1 : 0); });
            form.addRow(titleOf(label), box);
            row.editor = box;
            break;
        }
        case CameraControlKind::Menu: {
            auto* box = new QComboBox(this);
            for (const platform::media::CameraMenuItem& item : c.menu) {
                box->addItem(QString::fromStdString(item.name), item.value);
            }
            connect(box, &QComboBox::currentIndexChanged, this, [this, label, box](int index) {
                if (index >= 0) {
                    change(label, box->itemData(index).toInt());
                }
            });
            form.addRow(titleOf(label), box);
            row.editor = box;
            break;
        }
        case CameraControlKind::Button: {
            // The driver's name says what it does ("Focus, auto push"): it is the button's text.
            auto* button = new QPushButton(titleOf(label), this);
            connect(button, &QPushButton::clicked, this, [this, label] { change(label, 1); });
            form.addRow(button);
            row.editor = button;
            break;
        }
    }
    row.editor->setObjectName(QString::fromStdString(label));
    showControl(row, c);
    rows_.push_back(row);
}

void CameraSettingsDialog::change(const std::string& label, int value) {
    const auto row =
        std::find_if(rows_.begin(), rows_.end(), [&](const Row& r) { return r.label == label; });
    // A button's press is an action, not a setting to bring back.
    const bool setting = row != rows_.end() && row->kind != CameraControlKind::Button;
    if (source_.set(label, value) && setting && memory_.remember) {
        memory_.remember(label, value);
    }
    refreshTimer_->start();
}

void CameraSettingsDialog::restoreDefaults() {
    app::restoreCameraDefaults(source_);
    if (memory_.forget) {
        memory_.forget();
    }
    refreshTimer_->stop();
    refresh();
}

void CameraSettingsDialog::cameraGone() {
    refreshTimer_->stop();
    gone_ = true;
    for (const Row& row : rows_) {
        row.editor->setEnabled(false);
        if (row.number != nullptr) {
            row.number->setEnabled(false);
        }
    }
    defaults_->setEnabled(false);
}

void CameraSettingsDialog::refresh() {
    if (gone_) {
        return;  // a node of the same name may be another camera by now
    }
    const std::vector<CameraControl> now = source_.list();
    for (const Row& row : rows_) {
        const auto it = std::find_if(now.begin(), now.end(), [&](const CameraControl& c) {
            return c.label == row.label && c.kind == row.kind;
        });
        if (it == now.end()) {
            row.editor->setEnabled(false);  // gone, e.g. the camera was pulled
        } else {
            showControl(row, *it);
        }
    }
}

// Shows `c` in its row without sending it back to the camera.
void CameraSettingsDialog::showControl(const Row& row, const CameraControl& c) {
    const QSignalBlocker blocker(row.editor);
    row.editor->setEnabled(c.enabled);
    switch (row.kind) {
        case CameraControlKind::Integer: {
            auto* slider = static_cast<QSlider*>(row.editor);
            slider->setRange(c.minimum, c.maximum);
            if (!slider->isSliderDown()) {
                slider->setValue(c.value);
            }
            row.number->setNum(slider->value());
            break;
        }
        case CameraControlKind::Boolean:
            static_cast<QCheckBox*>(row.editor)->setChecked(c.value != 0);
            break;
        case CameraControlKind::Menu: {
            auto* box = static_cast<QComboBox*>(row.editor);
            box->setCurrentIndex(box->findData(c.value));
            break;
        }
        case CameraControlKind::Button:
            break;
    }
}
