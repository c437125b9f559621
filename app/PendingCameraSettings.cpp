// Changes kept until they settle; see PendingCameraSettings.h.
#include "PendingCameraSettings.h"

#include <algorithm>

#include "RememberedCameraSettings.h"

namespace app {

PendingCameraSettings::PendingCameraSettings(std::string settingsKey,
                                             std::chrono::milliseconds settle)
    : settingsKey_(std::move(settingsKey)) {
    timer_.setSingleShot(true);
    timer_.setInterval(settle);
    QObject::connect(&timer_, &QTimer::timeout, [this] { flush(); });
}

void PendingCameraSettings::remember(const std::string& model, const std::string& label,
                                     int value) {
    if (model != model_) {
        flush();
        model_ = model;
    }
    const auto kept = std::find_if(values_.begin(), values_.end(),
                                   [&](const ControlSetting& s) { return s.label == label; });
    if (kept != values_.end()) {
        kept->value = value;
    } else {
        values_.push_back({label, value});
    }
    timer_.start();
}

void PendingCameraSettings::forget(const std::string& model) {
    if (model == model_) {
        timer_.stop();
        values_.clear();
    }
    RememberedCameraSettings(settingsKey_, model).forget();
}

void PendingCameraSettings::flush() {
    timer_.stop();
    if (values_.empty()) {
        return;
    }
    RememberedCameraSettings(settingsKey_, model_).remember(values_);
    values_.clear();
}

}  // namespace app
