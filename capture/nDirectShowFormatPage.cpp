// TDirectShow: the capture-pin format page and the rebuild on the chosen format.
#include "nDirectShow.h"

#include "capture/CaptureFormatDialog.h"

using namespace platform::media;

namespace {
constexpr int kPageLeft = 30;
constexpr int kPageTop = 30;
}  // namespace

void TDirectShow::VCapCapturePinSet() {
    if (!FDeviceEnable || FPinSet) {
        return;
    }
    TearDownGraph();
    StreamConfig config;
    if (platform::succeeded(StreamConfig::find(FVideoSource, config))) {
        if (!setCameraFormat(config)) {
            failBuild();  // the camera refused the stored format: the graph stays torn down
            return;
        }
        FPinSet = true;
        if (FFormatPage) {
            FFormatPage(config);
        } else {
            CaptureFormatDialog page(config);
            page.move(kPageLeft, kPageTop);
            page.exec();
        }
        FPinSet = false;
        VideoMediaType chosen;
        if (platform::succeeded(config.getFormat(chosen)) && chosen.videoInfoFormat) {
            FCaptureFormat = chosen.format;
        }
    }
    // A camera without stream configuration has nothing to choose: it is simply built again.
    InitRunCapture(VID, PID, false);
    if (FReady) {
        Run();
    }
}
