// Parser for the virtual-device variable; pure string work so it is tested without a pipeline.
#include "VirtualDeviceConfig.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include <glib.h>

namespace platform::media {
namespace {

std::string trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])) != 0) {
        ++b;
    }
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])) != 0) {
        --e;
    }
    return s.substr(b, e - b);
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t at = s.find(sep, start);
        out.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) {
            return out;
        }
        start = at + 1;
    }
}

bool isHex4(const std::string& s) {
    return s.size() == 4 && std::all_of(s.begin(), s.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}

std::string lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

// Device names end up in GObject string properties, which must be UTF-8.
std::string validUtf8(const std::string& s) {
    gchar* valid = g_utf8_make_valid(s.data(), static_cast<gssize>(s.size()));
    std::string out(valid);
    g_free(valid);
    return out;
}

}  // namespace

bool VirtualDeviceConfig::parseOne(const std::string& rawEntry, const std::string& defaultVid,
                                   const std::string& defaultPid, VirtualDeviceDesc& out,
                                   std::string& problem) {
    const std::string entry = trim(rawEntry);
    const size_t colon = entry.find(':');
    const std::string kind = lower(trim(entry.substr(0, colon)));
    VirtualDeviceDesc desc;
    if (kind == "camera") {
        desc.kind = VirtualKind::Camera;
    } else if (kind == "microphone") {
        desc.kind = VirtualKind::Microphone;
    } else if (kind == "speaker") {
        desc.kind = VirtualKind::Speaker;
    } else {
        problem = "unknown device kind \"" + kind + "\"";
        return false;
    }
    bool formatsGiven = false;
    if (colon != std::string::npos && !trim(entry.substr(colon + 1)).empty()) {
        for (const std::string& rawPair : split(entry.substr(colon + 1), ',')) {
            const size_t eq = rawPair.find('=');
            if (eq == std::string::npos) {
                problem = "\"" + trim(rawPair) + "\" is not key=value";
                return false;
            }
            const std::string key = lower(trim(rawPair.substr(0, eq)));
            const std::string value = trim(rawPair.substr(eq + 1));
            if (key == "name") {
                desc.name = validUtf8(value);
            } else if (key == "vid" || key == "pid") {
                if (!isHex4(value)) {
                    problem = key + " must be 4 hex digits, not \"" + value + "\"";
                    return false;
                }
                (key == "vid" ? desc.vid : desc.pid) = lower(value);
            } else if (key == "path") {
                desc.path = validUtf8(value);
            } else if (key == "formats") {
                formatsGiven = true;
                for (const std::string& f : split(value, '|')) {
                    const std::string up = trim(f);
                    if (up != "YUY2" && up != "MJPG" && up != "RGB24") {
                        problem = "unknown format \"" + up + "\"";
                        return false;
                    }
                    if (std::find(desc.formats.begin(), desc.formats.end(), up) ==
                        desc.formats.end()) {
                        desc.formats.push_back(up);
                    }
                }
            } else if (key == "busy" || key == "unbindable" || key == "fixed") {
                if (value != "0" && value != "1") {
                    problem = key + " must be 0 or 1";
                    return false;
                }
                bool& flag = key == "busy"    ? desc.busy
                             : key == "fixed" ? desc.fixedFormat
                                              : desc.unbindable;
                flag = value == "1";
            } else if (key == "delivers") {
                char* end = nullptr;
                const long fps = std::strtol(value.c_str(), &end, 10);
                if (value.empty() || *end != '\0' || fps < 1 || fps > 30) {
                    problem = "delivers must be 1 to 30 frames a second, not \"" + value + "\"";
                    return false;
                }
                desc.deliveredFps = static_cast<int>(fps);
            } else {
                problem = "unknown key \"" + key + "\"";
                return false;
            }
        }
    }
    if (desc.vid.empty() != desc.pid.empty()) {
        problem = "vid and pid go together";
        return false;
    }
    if (desc.kind == VirtualKind::Camera) {
        if (desc.vid.empty() && desc.path.empty()) {
            desc.vid = lower(defaultVid);
            desc.pid = lower(defaultPid);
        }
        if (!formatsGiven) {
            desc.formats = {"YUY2", "MJPG", "RGB24"};
        }
    } else if (formatsGiven || desc.busy || desc.fixedFormat || desc.deliveredFps != 0 ||
               (desc.kind == VirtualKind::Speaker && !desc.vid.empty())) {
        // A microphone may carry ids: a camera's own one has the camera's.
        problem =
            "vid and pid apply to cameras and microphones; formats, busy, fixed and delivers to "
            "cameras only";
        return false;
    }
    if (desc.name.empty()) {
        desc.name = desc.kind == VirtualKind::Camera       ? "Virtual Camera"
                    : desc.kind == VirtualKind::Microphone ? "Virtual Microphone"
                                                           : "Virtual Speaker";
    }
    out = std::move(desc);
    return true;
}

std::vector<VirtualDeviceDesc> VirtualDeviceConfig::parse(const std::string& text,
                                                          const std::string& defaultVid,
                                                          const std::string& defaultPid,
                                                          std::vector<std::string>& problems) {
    std::vector<VirtualDeviceDesc> out;
    for (const std::string& entry : split(text, ';')) {
        if (trim(entry).empty()) {
            continue;
        }
        VirtualDeviceDesc desc;
        std::string problem;
        if (parseOne(entry, defaultVid, defaultPid, desc, problem)) {
            out.push_back(std::move(desc));
        } else {
            problems.push_back("\"" + trim(entry) + "\": " + problem);
        }
    }
    return out;
}

std::string VirtualDeviceConfig::displayNameFor(const VirtualDeviceDesc& desc, int serial) {
    if (!desc.path.empty()) {
        return desc.path;
    }
    const std::string n = std::to_string(serial);
    switch (desc.kind) {
        case VirtualKind::Camera:
            if (!desc.vid.empty()) {
                return "\\\\?\\usb#vid_" + desc.vid + "&pid_" + desc.pid +
                       "&mi_00#virtual-camera-" + n + "#{video}\\global";
            }
            return "virtual:camera:" + n;
        case VirtualKind::Microphone:
            return "virtual:microphone:" + n;
        case VirtualKind::Speaker:
            return "virtual:speaker:" + n;
    }
    return {};
}

}  // namespace platform::media
