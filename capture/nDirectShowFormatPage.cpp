// TDirectShow: the capture-pin format page the graph's rebuild on a chosen format shows.
#include "nDirectShow.h"

#include "capture/CaptureFormatDialog.h"

namespace {

constexpr int kPageLeft = 30;
constexpr int kPageTop = 30;

// The modal page without owner window, at a fixed place.
void showFormatDialog(platform::media::StreamConfig& config) {
    CaptureFormatDialog page(config);
    page.move(kPageLeft, kPageTop);
    page.exec();
}

}  // namespace

void TDirectShow::VCapCapturePinSet() {
    graph_.VCapCapturePinSet(FFormatPage ? FFormatPage : FormatPage(showFormatDialog));
}
