// MediaFileProbe: ffprobe and gst-discoverer-1.0 run as child processes.
#include "MediaFileProbe.h"

#include <cstdio>
#include <sstream>

namespace {

std::string run(const std::string& command, int& status) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) {
        status = -1;
        return out;
    }
    char buf[4096];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
        out.append(buf, n);
    }
    status = ::pclose(p);
    return out;
}

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

}  // namespace

const ClipStream* ClipInfo::stream(const std::string& type) const {
    for (const ClipStream& s : streams) {
        if (s.type == type) {
            return &s;
        }
    }
    return nullptr;
}

ClipInfo probeClip(const std::string& path) {
    ClipInfo info;
    int status = 0;
    const std::string out =
        run("ffprobe -v error -count_frames -show_entries "
            "stream=codec_type,codec_name,width,height,nb_read_frames,sample_rate,channels:"
            "format=duration,format_name -of default=nw=1 " +
                quoted(path) + " 2>/dev/null",
            status);
    info.probed = status == 0 && !out.empty();
    std::istringstream lines(out);
    std::string line;
    ClipStream* cur = nullptr;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "codec_name") {
            info.streams.emplace_back();
            cur = &info.streams.back();
            cur->codec = value;
        } else if (key == "format_name") {
            info.format = value;
        } else if (key == "duration" && value != "N/A") {
            info.duration = std::stod(value);
        } else if (cur == nullptr || value == "N/A") {
            continue;
        } else if (key == "codec_type") {
            cur->type = value;
        } else if (key == "width") {
            cur->width = std::stoi(value);
        } else if (key == "height") {
            cur->height = std::stoi(value);
        } else if (key == "nb_read_frames") {
            cur->frames = std::stol(value);
        } else if (key == "sample_rate") {
            cur->sampleRate = std::stoi(value);
        } else if (key == "channels") {
            cur->channels = std::stoi(value);
        }
    }
    const std::string disc = run("gst-discoverer-1.0 " + quoted(path) + " 2>&1", status);
    info.discovered = status == 0 && disc.find("Done discovering") != std::string::npos &&
                      disc.find("An error was encountered") == std::string::npos;
    return info;
}

std::string clipFrameRgb(const std::string& path, double seconds) {
    int status = 0;
    return run("ffmpeg -v error -ss " + std::to_string(seconds) + " -i " + quoted(path) +
                   " -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null",
               status);
}
