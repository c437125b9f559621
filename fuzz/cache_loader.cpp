// Thumbnail cache files: whatever the file holds, loading ends in a usable cache, and what was
// loaded saves and loads back to as many entries.
#include <cstdint>
#include <cstdlib>

#include "app/gallery/ImageCache.h"
#include "app/gallery/Thumbnail.h"
#include "fuzz/ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input = fuzz::scratchDir() + "/Peekbox.icf";
    static const std::string saved = fuzz::scratchDir() + "/saved.icf";
    fuzz::writeScratch(input, data, size);
    gallery::ImageCache cache;
    if (!cache.LoadFromFile(input)) {
        return 0;
    }
    for (int i = 0; i < cache.count(); ++i) {
        (void)gallery::thumbnailFromRecord(cache.entry(i));
        if (cache.IndexOf(cache.pathOf(i)) < 0) {
            std::abort();
        }
    }
    gallery::ImageCache reloaded;
    if (!cache.SaveToFile(saved) || !reloaded.LoadFromFile(saved) ||
        reloaded.count() != cache.count()) {
        std::abort();
    }
    return 0;
}
