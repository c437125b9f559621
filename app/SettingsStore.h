// The per-user settings key of the main window: opening (with the default-profile copy),
// the values read at start and written at shutdown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace app {

struct StartupSettings {
    bool overlayDisable = false;  // "HWOverlayDisable": any non-zero value is true
    int32_t counter = 1;          // "Counter"
    uint32_t frequency = 1;       // "Frequency"
    // What the user may ask of recordings and the preview; all optional, absent means off.
    bool showDate = false;              // "ShowDate": 0 or 1
    bool addTimeStr = false;            // "AddTimeStr": 0 or 1
    int32_t motionSnapshotSeconds = 0;  // "MotionSnapshot": 0 (off) to kMaxMotionSnapshotSeconds
    std::string compressorName;         // "CompressorName": a catalogue name or "WMV"
    std::string audioCompressorName;    // "AudioCompressorName": a catalogue name, "WMA", "WAV"
};

constexpr int32_t kMaxMotionSnapshotSeconds = 86400;
constexpr size_t kMaxCompressorNameBytes = 255;

struct ShutdownSettings {
    int32_t top = 0;
    int32_t left = 0;
    int32_t counter = 1;
    int32_t imageWidth = 640;
    int32_t imageHeight = 480;
    uint32_t frequency = 1;
};

class SettingsStore {
  public:
    explicit SettingsStore(std::string key) : key_(std::move(key)) {}

    // Opens the key; a key that does not exist is copied from the default profile first (then a
    // 2000 ms pause, as the copy step allows). False: the program cannot run.
    bool openAtStartup();
    // Reads the start-up values over the defaults already in `settings`; unreadable ones stay.
    // A recording or motion value that is there but wrong keeps its default too, and a line
    // naming it goes to `problems` (when given).
    void read(StartupSettings& settings, std::vector<std::string>* problems = nullptr) const;
    // The values of subkey `group` (name, text) in the order the settings file gives them. Read
    // before openAtStartup(): from the user's key, or, while the user has none yet, from the
    // default profile it will be copied from. Empty when neither holds the group.
    std::vector<std::pair<std::string, std::string>> readGroup(const std::string& group) const;
    // Writes the shutdown values; a key that does not open, or a file that cannot be written,
    // changes nothing and is not reported.
    void write(const ShutdownSettings& settings) const;

    const std::string& key() const { return key_; }

    static constexpr uint32_t kCopyWaitMs = 2000;

  private:
    std::string key_;
};

}  // namespace app
