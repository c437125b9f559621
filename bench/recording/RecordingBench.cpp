// Recording throughput: frames written against frames expected, CPU time per recorded second
// and file size per second, for raw AVI, compressed AVI and ASF at 1280 x 800 and 640 x 480,
// from a 30 fps virtual camera and a virtual microphone.
//
// Usage: bench_recording [--seconds N] [--dir DIR] [--compressor NAME]
// (default 60 s; the default compressor is the catalogue's JPEG encoder). Figures are
// printed, never asserted. Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>

#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/VirtualDeviceProvider.h"

using namespace platform::media;

namespace {

double cpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void pumpFor(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ::usleep(5000);
    }
}

// The video frame count of a clip as ffprobe reads it (container count, else decoded).
long videoFrames(const std::string& path, bool count) {
    const std::string cmd = std::string("ffprobe -v error -select_streams v:0 ") +
                            (count ? "-count_frames -show_entries stream=nb_read_frames "
                                   : "-show_entries stream=nb_frames ") +
                            "-of default=nw=1:nk=1 '" + path + "' 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) {
        return -1;
    }
    char line[64] = {};
    const bool ok = std::fgets(line, sizeof line, p) != nullptr;
    ::pclose(p);
    return ok ? std::strtol(line, nullptr, 10) : -1;
}

double clipSeconds(const std::string& path) {
    const std::string cmd =
        "ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 '" + path +
        "' 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) {
        return -1.0;
    }
    char line[64] = {};
    const bool ok = std::fgets(line, sizeof line, p) != nullptr;
    ::pclose(p);
    return ok ? std::atof(line) : -1.0;
}

struct Case {
    const char* label;
    uint32_t width;
    uint32_t height;
    std::string compressor;  // "" raw, "WMV" Windows Media
    const char* extension;
};

void run(const Case& c, double seconds, const std::string& dir) {
    TDirectShow ds;
    ds.options().CaptureVideo = true;
    ds.options().CaptureAudio = true;
    ds.options().CompressorName = c.compressor;
    platform::VideoInfoHeader f{};
    TDirectShow::FillVH(f, c.width, c.height, 333333, platform::kFourCC_YUY2);
    ds.CapturePinSet(f);
    ds.InitRunCapture("3a7b", "0b01", false);
    const std::string path = dir + "/" + c.label + c.extension;
    std::filesystem::remove(path);
    if (!ds.StartRecord(path)) {
        std::printf("%-28s could not start\n", c.label);
        return;
    }
    ds.Run();
    if (!ds.Ready()) {
        std::printf("%-28s graph did not run\n", c.label);
        return;
    }
    pumpFor(1.0);
    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    ds.StartCapture();
    pumpFor(seconds);
    ds.Close();  // completes the file
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    const long frames = videoFrames(path, c.compressor == "WMV");
    const double duration = clipSeconds(path);
    const double expected = seconds * 30.0;
    std::error_code ec;
    const auto bytes = static_cast<double>(std::filesystem::file_size(path, ec));
    std::printf(
        "%-26s frames %6ld / %6.0f expected (%+5.1f%%)  clip %.2f s of %.2f s  "
        "CPU %.3f s per recorded s  %.2f MB per s\n",
        c.label, frames, expected, 100.0 * (static_cast<double>(frames) - expected) / expected,
        duration, wall, cpu / wall, bytes / 1e6 / seconds);
    std::filesystem::remove(path);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60.0;
    std::string dir = std::filesystem::temp_directory_path().string();
    std::string compressor;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--seconds") {
            seconds = std::atof(argv[i + 1]);
        } else if (a == "--dir") {
            dir = argv[i + 1];
        } else if (a == "--compressor") {
            compressor = argv[i + 1];
        }
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    if (!MediaRuntime::initialise()) {
        std::fprintf(stderr, "GStreamer did not start\n");
        return 1;
    }
    DeviceEnumerator::setRealDevicesEnabled(false);
    VirtualDeviceProvider::configure(
        "camera:name=Bench Camera,vid=3a7b,pid=0b01;microphone:name=Bench Microphone");
    platform::setSleepScale(0.0);
    // The Windows Media profiles are read from ./prxs.
    std::filesystem::current_path(std::string(PEEKBOX_SOURCE_DIR) + "/resources");
    if (compressor.empty()) {
        // The usual webcam codec when the catalogue has it, else its first entry.
        TDirectShow probe;
        std::vector<std::string> names;
        probe.GetCompressorsList(names);
        for (const std::string& n : names) {
            if (n == "JPEG image encoder" ||
                (compressor.empty() && n.find("JPEG") != std::string::npos)) {
                compressor = n;
            }
        }
        if (compressor.empty() && !names.empty()) {
            compressor = names.front();
        }
    }
    std::printf("recording %.0f s per case from a 30 fps virtual camera; compressor \"%s\"\n",
                seconds, compressor.c_str());
    run({"avi_raw_1280x800", 1280, 800, "", ".avi"}, seconds, dir);
    run({"avi_compressed_1280x800", 1280, 800, compressor, ".avi"}, seconds, dir);
    run({"asf_1280x800", 1280, 800, "WMV", ".wmv"}, seconds, dir);
    run({"avi_raw_640x480", 640, 480, "", ".avi"}, seconds, dir);
    run({"avi_compressed_640x480", 640, 480, compressor, ".avi"}, seconds, dir);
    run({"asf_640x480", 640, 480, "WMV", ".wmv"}, seconds, dir);
    return 0;
}
