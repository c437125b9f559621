// Timings of the capture component on virtual devices: listing, building, starting, failing.
//
// Uses TARNWICK_VIRTUAL_DEVICES when set (the first camera must carry vid/pid), else a default
// set. Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/VirtualDeviceProvider.h"

using namespace platform::media;

namespace {

const char* const kDefaultDevices =
    "camera:name=Bench Camera,vid=3a7b,pid=0b01;camera:name=Bench "
    "Jpeg,vid=3a7b,pid=0c01,formats=MJPG;"
    "camera:name=Bench Held,vid=3a7b,pid=0c02,busy=1;microphone:name=Bench Microphone";

bool waitFrame(const std::shared_ptr<FilterGraph>& graph) {
    auto window = graph->videoWindow();
    for (int i = 0; i < 5000 && window->framesDelivered() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return window->framesDelivered() > 0;
}

void BM_EnumerateCameras(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<Moniker> list;
        DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, list);
        benchmark::DoNotOptimize(list.size());
    }
}
BENCHMARK(BM_EnumerateCameras)->Unit(benchmark::kMicrosecond);

void BM_CompressorList(benchmark::State& state) {
    TDirectShow ds;
    for (auto _ : state) {
        std::vector<std::string> list;
        ds.GetCompressorsList(list);
        benchmark::DoNotOptimize(list.size());
    }
}
BENCHMARK(BM_CompressorList)->Unit(benchmark::kMillisecond);

// Build and close a preview graph; the 200 ms settle wait after binding is left out.
void BM_BuildAndClose(benchmark::State& state) {
    TDirectShow ds;
    const uint32_t subtype = state.range(0) != 0 ? platform::kFourCC_MJPG : platform::kFourCC_YUY2;
    const char* pid = state.range(0) != 0 ? "0c01" : "0b01";
    platform::VideoInfoHeader format;
    TDirectShow::FillVH(format, 640, 480, 333333, subtype);
    for (auto _ : state) {
        ds.options().VideoDevice = 0;
        ds.CapturePinSet(format);
        ds.InitRunCapture("3a7b", pid, false);
        if (!ds.DeviceEnable()) {
            state.SkipWithError("no camera");
            break;
        }
        ds.Close();
    }
}
BENCHMARK(BM_BuildAndClose)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// From the build to the first frame at the renderer, then closing.
void BM_RunToFirstFrame(benchmark::State& state) {
    TDirectShow ds;
    const char* pid = state.range(0) != 0 ? "0c01" : "0b01";
    for (auto _ : state) {
        ds.options().VideoDevice = 0;
        ds.InitRunCapture("3a7b", pid, false);
        ds.Run();
        auto graph = ds.Graph();
        if (!graph || !waitFrame(graph)) {
            state.SkipWithError("no frame");
            break;
        }
        graph.reset();
        ds.Close();
    }
}
BENCHMARK(BM_RunToFirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// How long Run takes to report a camera held by another program.
void BM_BusyRunFails(benchmark::State& state) {
    TDirectShow ds;
    for (auto _ : state) {
        ds.options().VideoDevice = 0;
        ds.InitRunCapture("3a7b", "0c02", false);
        ds.Run();
        if (ds.RunGraphResult() >= 0) {
            state.SkipWithError("busy camera ran");
            break;
        }
    }
}
BENCHMARK(BM_BusyRunFails)->Unit(benchmark::kMillisecond);

// From StillImg to a filled bitmap on a running 30 fps YUY2 camera; 50 stills. The floor is
// one frame interval (33 ms): the still is the frame after the request.
void BM_StillToBitmap(benchmark::State& state) {
    const auto w = static_cast<uint32_t>(state.range(0));
    const auto h = static_cast<uint32_t>(state.range(1));
    TDirectShow ds;
    ds.options().StillByTransFtr = true;
    platform::VideoInfoHeader format;
    TDirectShow::FillVH(format, w, h, 333333, platform::kFourCC_YUY2);
    ds.CapturePinSet(format);
    ds.options().VideoDevice = 0;
    ds.InitRunCapture("3a7b", "0b01", false);
    ds.Run();
    auto graph = ds.Graph();
    if (!graph || !waitFrame(graph)) {
        state.SkipWithError("no frame");
        return;
    }
    platform::setSleepScale(1.0);  // the still polls must wait in real time
    std::vector<double> ms;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        QImage still;
        const bool ok = ds.StillImg() && ds.GetImg(still);
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        if (!ok || still.width() != static_cast<int>(w)) {
            state.SkipWithError("no still");
            break;
        }
        state.SetIterationTime(d.count());
        ms.push_back(d.count() * 1000.0);
    }
    platform::setSleepScale(0.0);
    if (!ms.empty()) {
        std::sort(ms.begin(), ms.end());
        state.counters["median_ms"] = ms[ms.size() / 2];
        state.counters["worst_ms"] = ms.back();
    }
    graph.reset();
    ds.Close();
}
BENCHMARK(BM_StillToBitmap)
    ->Args({640, 480})
    ->Args({1280, 800})
    ->Iterations(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    if (!MediaRuntime::initialise()) {
        return 1;
    }
    DeviceEnumerator::setRealDevicesEnabled(false);
    const char* configured = std::getenv(VirtualDeviceProvider::kEnvironmentVariable);
    VirtualDeviceProvider::configure(configured != nullptr ? configured : kDefaultDevices);
    platform::setSleepScale(0.0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
