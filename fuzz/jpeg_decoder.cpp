// Picture files as found in the picture folder: every input decodes to a thumbnail source or to
// nothing, within the decoder's bounds, and both thumbnail makers take what it gives.
#include <cstdint>
#include <cstdlib>
#include <optional>

#include <QImage>

#include "app/gallery/JpegDecoder.h"
#include "app/gallery/Thumbnail.h"
#include "fuzz/ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::scratchDir() + "/Picture0001.jpg";
    fuzz::writeScratch(path, data, size);
    const QSize thumbSize = gallery::thumbnailSize(0);
    const std::optional<QImage> picture = gallery::decodeJpegForThumbnail(path, thumbSize);
    if (!picture) {
        return 0;
    }
    if (picture->isNull() || picture->format() != gallery::kThumbFormat) {
        std::abort();
    }
    QImage thumb;
    if (!gallery::MakeThumbnail(*picture, thumb, false, thumbSize) ||
        gallery::MakeBrandedThumbnail(*picture).isNull()) {
        std::abort();
    }
    return 0;
}
