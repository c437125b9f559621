// DrawStrip with a full strip, and TakeSnapshot from the command to the written file at
// 1280 x 800 on a 30 fps virtual camera (the floor there is about one frame interval).
#include <cstdlib>
#include <filesystem>

#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/Main.h"
#include "app/gallery/JpegWriter.h"
#include "app/gallery/SnapshotNaming.h"
#include "capture/nDirectShow.h"
#include "platform/Sleep.h"
#include "support/TestEnvironment.h"

namespace {

class NoBoxes final : public platform::MessageBoxes {
  public:
    platform::MsgAnswer show(QWidget*, const std::string&, const std::string&,
                             platform::MsgButtons) override {
        return platform::MsgAnswer::Yes;
    }
};

NoBoxes g_boxes;

std::unique_ptr<TMainForm> makeForm() {
    app::AppServices s;
    s.messageBoxes = &g_boxes;
    s.uiLanguage = [] { return platform::LangId{0x0409}; };
    s.freeSpace = platform::statvfsFreeBytes;
    return std::make_unique<TMainForm>(editions::edition(), s,
                                       app::defaultCapture(editions::edition(), s));
}

void BM_DrawStrip(benchmark::State& state) {
    testenv::clearDir(testenv::picturesDir());
    QImage img(1280, 800, QImage::Format_RGB888);
    img.fill(QColor(90, 140, 200));
    for (int n = 1; n <= 20; ++n) {
        gallery::SaveJpeg(img, gallery::picturePath(testenv::picturesDir(), n));
    }
    auto form = makeForm();
    form->RescanGallery();
    for (auto _ : state) {
        form->DrawStrip();
    }
    state.counters["target_ms"] = 2.0;
}
BENCHMARK(BM_DrawStrip)->Unit(benchmark::kMillisecond);

void BM_SnapshotToFile(benchmark::State& state) {
    testenv::clearDir(testenv::picturesDir());
    auto form = makeForm();
    platform::setSleepScale(1.0);
    form->ChooseResolution(2);  // 1280 x 800 on the wide camera
    for (auto _ : state) {
        form->TakeSnapshot();
    }
    state.counters["frame_interval_ms"] = 33.3;
    state.counters["pictures"] = static_cast<double>(form->pictureCounter() - 1);
}
BENCHMARK(BM_SnapshotToFile)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

int main(int argc, char** argv) {
    testenv::setUp();
    ::setenv("TARNWICK_VIRTUAL_DEVICES", "camera:name=Bench Camera,vid=3a7b,pid=0c01", 1);
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf", "[General]\nCounter=1\n");
    platform::setSleepScale(0.0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(testenv::root(), ec);
    return 0;
}
