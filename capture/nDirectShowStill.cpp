// TDirectShow: stills out of the frame filter and fitting the video window.
#include "nDirectShow.h"

bool TDirectShow::StillImg() {
    if (!FReady) {
        return false;
    }
    // The frame filter joins the graph with the preview build.
    return false;
}

bool TDirectShow::GetImg(QImage& bitmap) {
    bitmap = QImage();
    return false;
}

void TDirectShow::ReSizeDS() {}
