// Camera settings changed in the dialog, kept in memory while they change and written together
// once they settle: a slider dragged through a hundred values costs one write of the settings
// file. Whatever has not been written yet is written by flush(), which the window also calls at
// shutdown, so nothing is lost.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <QTimer>

#include "CameraSettingsMemory.h"

namespace app {

class PendingCameraSettings {
  public:
    explicit PendingCameraSettings(std::string settingsKey,
                                   std::chrono::milliseconds settle = kSettle);
    PendingCameraSettings(const PendingCameraSettings&) = delete;
    PendingCameraSettings& operator=(const PendingCameraSettings&) = delete;

    // Keeps `value` for the camera model's control and writes what is kept once no change has
    // come for the settle time. A change for another model writes the first model's values now.
    void remember(const std::string& model, const std::string& label, int value);
    // Drops what is kept for the model and what the file holds for it.
    void forget(const std::string& model);
    // Writes what is kept, now.
    void flush();
    bool pending() const { return !values_.empty(); }

    static constexpr std::chrono::milliseconds kSettle{500};

  private:
    std::string settingsKey_;
    std::string model_;
    std::vector<ControlSetting> values_;  // one per control, in the order first changed
    QTimer timer_;
};

}  // namespace app
