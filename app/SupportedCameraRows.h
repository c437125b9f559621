// Rows of the supported-camera table: the edition's own, then those an administrator or user adds
// in the settings file ("VVVV PPPP ASPECT SUBTYPE RECORD"). Free of Qt, so it is tested as a table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editions/Edition.h"

namespace app {

// A row that owns its texts: settings rows outlive the settings file they came from.
struct CameraRow {
    std::string vid;  // four lower-case hex digits
    std::string pid;
    int32_t aspect = 0;  // 0 = 4:3, 1 = wide
    uint32_t subtype = 0;
    uint8_t recordCapable = 0;

    bool operator==(const CameraRow&) const = default;
};

struct CameraRowParse {
    std::optional<CameraRow> row;
    std::string error;  // what is wrong, when there is no row
};

// Fields separated by spaces or tabs; hex in any letter case, stored lower-case; ASPECT "4:3" or
// "wide", SUBTYPE "YUY2", "MJPG" or "RGB24" (keywords in any letter case); RECORD "0" or "1".
CameraRowParse parseSupportedCameraRow(std::string_view text);

// A row text longer than this is refused unread.
inline constexpr size_t kMaxCameraRowBytes = 64;
// Each row costs a device search at every preview start: the settings' rows after these are
// not read.
inline constexpr size_t kMaxSettingsCameraRows = 32;

// The edition's rows followed by the valid settings rows (key, text) in the order given.
// `skipped` receives one line for each settings row not taken, naming its key and why.
std::vector<CameraRow> cameraRows(std::span<const editions::SupportedCamera> builtIn,
                                  const std::vector<std::pair<std::string, std::string>>& settings,
                                  std::vector<std::string>& skipped);

// Four hex digits in any letter case, lower-cased; nothing for anything else.
std::optional<std::string> lowerHexId(std::string_view field);

// The id after `marker` ("vid_" or "pid_") in a device's display name, lower-cased; empty when
// the name carries no such id.
std::string usbIdIn(std::string_view displayName, std::string_view marker);

// `text` fit for a terminal line: control characters become '?'.
std::string printable(std::string_view text);

}  // namespace app
