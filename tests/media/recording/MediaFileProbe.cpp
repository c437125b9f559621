// MediaFileProbe: ffprobe, ffmpeg, gst-discoverer-1.0 and the picture readers run as child
// processes.
#include "MediaFileProbe.h"

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

bool exitedClean(int status) {
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The lines of ffprobe's default writer: f(key, value) for each known value, f("", NAME) for
// each section's opening line "[NAME]".
template <typename F>
void eachEntry(const std::string& out, F&& f) {
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (line.size() > 2 && line.front() == '[' && line[1] != '/') {
            f(std::string(), line.substr(1, line.size() - 2));
        } else if (eq != std::string::npos && line.compare(eq + 1, std::string::npos, "N/A") != 0) {
            f(line.substr(0, eq), line.substr(eq + 1));
        }
    }
}

double rate(const std::string& fraction) {
    const size_t slash = fraction.find('/');
    const double num = std::atof(fraction.c_str());
    const double den = slash == std::string::npos ? 1.0 : std::atof(fraction.c_str() + slash + 1);
    return den > 0.0 ? num / den : 0.0;
}

// What ffmpeg decodes of a clip, every frame of every stream.
struct DecodedClip {
    std::string decodeErrors;   // ffmpeg -v error -xerror's messages
    bool decodeFailed = false;  // ffmpeg gave up (or could not run)
    double duration = -1.0;     // the container's
    // Video: frames decoded, frames the header claims (-1 when the container keeps no count),
    // the nominal frame rate and the stream's duration (-1 when not given).
    long videoFrames = -1;
    long headerFrames = -1;
    double frameRate = 0.0;
    double videoDuration = -1.0;
    // Sound: samples decoded (-1 without sound), its rate and the largest packet's samples.
    long samples = -1;
    int sampleRate = 0;
    long packetSamples = 0;
};

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
            "stream=codec_type,codec_name,width,height,nb_frames,nb_read_frames,sample_rate,"
            "channels,duration:"
            "format=duration,format_name -of default " +
                quoted(path) + " 2>/dev/null",
            status);
    info.probed = status == 0 && !out.empty();
    std::istringstream lines(out);
    std::string line;
    ClipStream* cur = nullptr;
    while (std::getline(lines, line)) {
        if (line == "[FORMAT]") {
            cur = nullptr;  // the format's lines follow the streams'
        }
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
            (cur != nullptr ? cur->duration : info.duration) = std::stod(value);
        } else if (cur == nullptr || value == "N/A") {
            continue;
        } else if (key == "nb_frames") {
            cur->headerFrames = std::stol(value);
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

std::vector<ClipFrame> clipVideoFrames(const std::string& path) {
    std::vector<ClipFrame> frames;
    int status = 0;
    // framemd5: "#tb 0: N/D", then "stream, dts, pts, duration, size, md5" a frame.
    const std::string out = run("ffmpeg -nostdin -v error -i " + quoted(path) +
                                    " -map 0:v:0 -fps_mode passthrough -f framemd5 - 2>/dev/null",
                                status);
    double timeBase = 0.0;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("#tb 0: ", 0) == 0) {
            timeBase = rate(line.substr(7));
        } else if (!line.empty() && line[0] != '#') {
            std::istringstream fields(line);
            std::string stream, dts, pts, duration, size, md5;
            std::getline(fields, stream, ',');
            std::getline(fields, dts, ',');
            std::getline(fields, pts, ',');
            std::getline(fields, duration, ',');
            std::getline(fields, size, ',');
            fields >> md5;
            frames.push_back({std::atof(pts.c_str()) * timeBase, md5});
        }
    }
    return frames;
}

std::string decodeProblems(const std::string& path) {
    int status = 0;
    const std::string errors =
        run("ffmpeg -nostdin -v error -xerror -i " + quoted(path) + " -f null - 2>&1 >/dev/null",
            status);
    return exitedClean(status) ? errors : "ffmpeg failed: " + errors;
}

std::string clipFrameRgb(const std::string& path, double seconds) {
    int status = 0;
    return run("ffmpeg -v error -ss " + std::to_string(seconds) + " -i " + quoted(path) +
                   " -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null",
               status);
}

namespace {

DecodedClip decodeClip(const std::string& path) {
    DecodedClip d;
    int status = 0;
    d.decodeErrors =
        run("ffmpeg -nostdin -v error -xerror -i " + quoted(path) + " -f null - 2>&1 >/dev/null",
            status);
    d.decodeFailed = !exitedClean(status);
    // Sections: [STREAM] ... [/STREAM] for each stream, then [FORMAT] ... [/FORMAT].
    const std::string streams =
        run("ffprobe -v error -count_frames -show_entries "
            "stream=codec_type,nb_frames,nb_read_frames,r_frame_rate,sample_rate,duration:"
            "format=duration -of default " +
                quoted(path) + " 2>/dev/null",
            status);
    std::string section;
    std::string type;
    eachEntry(streams, [&](const std::string& key, const std::string& value) {
        if (key.empty()) {
            section = value;  // a section's opening line
            type.clear();
        } else if (section == "FORMAT" && key == "duration") {
            d.duration = std::stod(value);
        } else if (key == "codec_type") {
            type = value;
            d.samples = value == "audio" ? 0 : d.samples;
        } else if (type == "video" && key == "duration") {
            d.videoDuration = std::stod(value);
        } else if (type == "video" && key == "nb_frames") {
            d.headerFrames = std::stol(value);
        } else if (type == "video" && key == "nb_read_frames") {
            d.videoFrames = std::stol(value);
        } else if (type == "video" && key == "r_frame_rate") {
            d.frameRate = rate(value);
        } else if (type == "audio" && key == "sample_rate") {
            d.sampleRate = std::stoi(value);
        }
    });
    if (d.samples == 0) {
        const std::string frames =
            run("ffprobe -v error -select_streams a -show_entries "
                "frame=nb_samples -of default=nw=1 " +
                    quoted(path) + " 2>/dev/null",
                status);
        eachEntry(frames, [&](const std::string& key, const std::string& value) {
            if (key == "nb_samples") {
                const long n = std::stol(value);
                d.samples += n;
                d.packetSamples = std::max(d.packetSamples, n);
            }
        });
    }
    return d;
}

}  // namespace

std::string clipProblems(const std::string& path, bool sound) {
    const DecodedClip d = decodeClip(path);
    std::ostringstream p;
    if (d.decodeFailed || !d.decodeErrors.empty()) {
        p << "ffmpeg -xerror: " << (d.decodeErrors.empty() ? "failed\n" : d.decodeErrors);
    }
    if (d.videoFrames <= 0 || d.frameRate <= 0.0) {
        p << "no video frames decoded\n";
        return p.str();
    }
    if (d.headerFrames >= 0 && d.headerFrames != d.videoFrames) {
        p << "the header counts " << d.headerFrames << " frames, " << d.videoFrames << " decode\n";
    }
    if (sound && (d.samples <= 0 || d.sampleRate <= 0)) {
        p << "no sound decoded\n";
        sound = false;
    }
    const double frame = 1.0 / d.frameRate;
    const double packet = sound ? static_cast<double>(d.packetSamples) / d.sampleRate : 0.0;
    // A container without durations of its own per stream (ASF) gives the longer stream's:
    // the picture may end up to a sound packet before it.
    const double duration = d.videoDuration >= 0.0 ? d.videoDuration : d.duration;
    const double framesTime = static_cast<double>(d.videoFrames) * frame;
    if (std::fabs(framesTime - duration) > frame + packet + 1e-3) {
        p << d.videoFrames << " frames last " << framesTime << " s, the video " << duration
          << " s\n";
    }
    if (!sound) {
        return p.str();
    }
    const double soundTime = static_cast<double>(d.samples) / d.sampleRate;
    if (std::fabs(soundTime - duration) > packet + frame + 1e-3) {
        p << d.samples << " samples last " << soundTime << " s, the video " << duration
          << " s (a packet: " << packet << " s)\n";
    }
    return p.str();
}

std::string pictureProblems(const std::string& path) {
    std::string problems;
    int status = 0;
    const std::string info = run("jpeginfo -c " + quoted(path) + " 2>&1", status);
    if (!exitedClean(status) || info.find(" OK") == std::string::npos ||
        info.find("WARNING") != std::string::npos || info.find("ERROR") != std::string::npos) {
        problems += "jpeginfo -c: " + info;
    }
    const std::string strict = run("djpeg -strict " + quoted(path) + " 2>&1 >/dev/null", status);
    if (!exitedClean(status) || !strict.empty()) {
        problems += "djpeg -strict: " + (strict.empty() ? "failed\n" : strict);
    }
    const std::string exif = run("exiv2 -pa " + quoted(path) + " 2>&1 >/dev/null", status);
    if (!exitedClean(status) || !exif.empty()) {
        problems += "exiv2: " + (exif.empty() ? "failed\n" : exif);
    }
    return problems;
}
