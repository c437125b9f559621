// Parsing of the supported-camera rows a settings file adds.
#include "SupportedCameraRows.h"

#include <algorithm>
#include <array>

#include "platform/VideoInfoHeader.h"

namespace app {
namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

std::vector<std::string_view> fields(std::string_view text) {
    std::vector<std::string_view> out;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
            ++at;
        }
        const size_t start = at;
        while (at < text.size() && text[at] != ' ' && text[at] != '\t') {
            ++at;
        }
        if (at > start) {
            out.push_back(text.substr(start, at - start));
        }
    }
    return out;
}

std::string quoted(std::string_view field) {
    return "\"" + printable(field) + "\"";
}

CameraRowParse failure(std::string error) {
    return CameraRowParse{std::nullopt, std::move(error)};
}

}  // namespace

std::optional<std::string> lowerHexId(std::string_view field) {
    const bool hex = field.size() == 4 && std::all_of(field.begin(), field.end(), [](char c) {
                         const char l = lowerAscii(c);
                         return (l >= '0' && l <= '9') || (l >= 'a' && l <= 'f');
                     });
    if (!hex) {
        return std::nullopt;
    }
    std::string id(field);
    std::transform(id.begin(), id.end(), id.begin(), lowerAscii);
    return id;
}

std::string usbIdIn(std::string_view displayName, std::string_view marker) {
    const size_t at = displayName.find(marker);
    if (at == std::string_view::npos) {
        return {};
    }
    return lowerHexId(displayName.substr(at + marker.size(), 4)).value_or(std::string());
}

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // C1 controls arrive in UTF-8 as 0xC2 0x80..0x9F; terminals obey some of them too.
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            out.push_back('?');
            ++i;
        } else {
            out.push_back(c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c));
        }
    }
    return out;
}

CameraRowParse parseSupportedCameraRow(std::string_view text) {
    if (text.size() > kMaxCameraRowBytes) {
        return failure("longer than " + std::to_string(kMaxCameraRowBytes) + " characters");
    }
    const std::vector<std::string_view> f = fields(text);
    if (f.size() != 5) {
        return failure("5 fields expected (VVVV PPPP ASPECT SUBTYPE RECORD), found " +
                       std::to_string(f.size()));
    }
    CameraRow row;
    const std::optional<std::string> vid = lowerHexId(f[0]);
    if (!vid) {
        return failure("vendor id " + quoted(f[0]) + " is not 4 hex digits");
    }
    const std::optional<std::string> pid = lowerHexId(f[1]);
    if (!pid) {
        return failure("product id " + quoted(f[1]) + " is not 4 hex digits");
    }
    row.vid = *vid;
    row.pid = *pid;

    if (equalsIgnoringCase(f[2], "4:3")) {
        row.aspect = 0;
    } else if (equalsIgnoringCase(f[2], "wide")) {
        row.aspect = 1;
    } else {
        return failure("aspect " + quoted(f[2]) + " is neither 4:3 nor wide");
    }

    struct Subtype {
        std::string_view name;
        uint32_t fourcc;
    };
    constexpr std::array<Subtype, 3> kSubtypes{{{"YUY2", platform::kFourCC_YUY2},
                                                {"MJPG", platform::kFourCC_MJPG},
                                                {"RGB24", platform::kFourCC_RGB24}}};
    const auto subtype = std::find_if(kSubtypes.begin(), kSubtypes.end(), [&](const Subtype& s) {
        return equalsIgnoringCase(f[3], s.name);
    });
    if (subtype == kSubtypes.end()) {
        return failure("subtype " + quoted(f[3]) + " is not YUY2, MJPG or RGB24");
    }
    row.subtype = subtype->fourcc;

    if (f[4] != "0" && f[4] != "1") {
        return failure("record flag " + quoted(f[4]) + " is not 0 or 1");
    }
    row.recordCapable = f[4] == "1" ? 1 : 0;
    return CameraRowParse{std::move(row), {}};
}

std::vector<CameraRow> cameraRows(std::span<const editions::SupportedCamera> builtIn,
                                  const std::vector<std::pair<std::string, std::string>>& settings,
                                  std::vector<std::string>& skipped) {
    std::vector<CameraRow> rows;
    rows.reserve(builtIn.size() + std::min(settings.size(), kMaxSettingsCameraRows));
    for (const editions::SupportedCamera& c : builtIn) {
        rows.push_back(CameraRow{c.vid, c.pid, c.aspect, c.subtype, c.recordCapable});
    }
    const size_t read = std::min(settings.size(), kMaxSettingsCameraRows);
    for (size_t i = 0; i < read; ++i) {
        const auto& [key, text] = settings[i];
        CameraRowParse parsed = parseSupportedCameraRow(text);
        if (parsed.row) {
            rows.push_back(std::move(*parsed.row));
        } else {
            skipped.push_back("[SupportedCameras] " + printable(key) +
                              ": skipped: " + parsed.error);
        }
    }
    if (settings.size() > read) {
        skipped.push_back("[SupportedCameras]: only the first " + std::to_string(read) +
                          " rows are read; " + std::to_string(settings.size() - read) +
                          " more skipped");
    }
    return rows;
}

}  // namespace app
