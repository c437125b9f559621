// Progressive JPEG writing with libjpeg and splicing of repeated scans.
#include "support/HostileJpeg.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace testjpeg {

namespace {

// Where each scan lies: its SOS marker and the end of its entropy-coded data (the next marker
// that is not a restart).
struct Scan {
    size_t start;
    size_t end;
};

std::vector<Scan> scans(const std::string& jpeg) {
    std::vector<Scan> found;
    const auto at = [&](size_t i) { return static_cast<uint8_t>(jpeg[i]); };
    size_t pos = 2;
    while (pos + 4 <= jpeg.size() && at(pos) == 0xFF && at(pos + 1) != 0xD9) {
        const uint8_t marker = at(pos + 1);
        const size_t start = pos;
        pos += 2 + ((static_cast<size_t>(at(pos + 2)) << 8) | at(pos + 3));
        if (marker == 0xDA) {
            while (pos + 1 < jpeg.size() &&
                   !(at(pos) == 0xFF && at(pos + 1) != 0 && (at(pos + 1) & 0xF8) != 0xD0)) {
                ++pos;
            }
            found.push_back({start, pos});
        }
    }
    return found;
}

}  // namespace

std::string progressiveGrey(int width, int height) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width), 128);
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.next_scanline < cinfo.image_height) {
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

std::string repeatedScans(int width, int height, int repeats) {
    const std::string jpeg = progressiveGrey(width, height);
    const std::vector<Scan> found = scans(jpeg);
    if (found.empty()) {
        return {};
    }
    // The repeats reuse the Huffman table the last scan was coded with.
    const size_t to = found.back().end;
    const std::string scan = jpeg.substr(found.back().start, to - found.back().start);
    std::string out = jpeg.substr(0, to);
    out.reserve(out.size() + scan.size() * static_cast<size_t>(repeats) + 2);
    for (int i = 0; i < repeats; ++i) {
        out += scan;
    }
    out += jpeg.substr(to);
    return out;
}

}  // namespace testjpeg
