// Decoding a JPEG file for a thumbnail: DCT-scaled, bounded in memory, failing cleanly.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include <QImage>
#include <QSize>

namespace gallery {

struct JpegDecodeLimits {
    // Pictures claiming more pixels than this are refused from their header alone.
    uint64_t maxPixels = uint64_t{1} << 28;
    // What the codec may allocate for its own working memory (progressive pictures keep
    // every coefficient); beyond it the decode fails instead of growing.
    long maxCodecMemory = 96L * 1024 * 1024;
    // The largest bitmap handed back; bigger scaled outputs are box-reduced row by row.
    size_t maxOutputBytes = 1024 * 1024;
    // A progressive picture is read scan by scan, and every scan visits the whole picture again.
    // Encoders write about ten; a file with thousands costs minutes to decode.
    int maxScans = 100;
    // The work of all scans together, as pixels x scans: a 26-megapixel photo may have its ten
    // scans, a 16-megapixel hostile picture stops after 16 (about 0.2 s).
    uint64_t maxScanWork = uint64_t{1} << 28;
};

// A decoder that keeps the codec's working state from one picture to the next, so that a thread
// decoding many files sets it up once. One thread at a time; each worker owns its own.
class JpegDecoder {
  public:
    explicit JpegDecoder(const JpegDecodeLimits& limits = {});
    ~JpegDecoder();
    JpegDecoder(JpegDecoder&&) noexcept;
    JpegDecoder& operator=(JpegDecoder&&) noexcept;
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // Decodes `path` at the smallest DCT scale (1/8 .. 8/8) whose output still covers `cover`,
    // into a 24-bit BGR bitmap (QImage::Format_BGR888). Nothing when the file is missing, empty,
    // not a JPEG, corrupt, truncated, too large or too costly; the codec's errors never end the
    // process, and a failed picture leaves nothing behind for the next one.
    std::optional<QImage> decode(const std::string& path, QSize cover);

    struct State;  // the codec's objects and buffers, defined beside the decoding code

  private:
    JpegDecodeLimits limits_;
    std::unique_ptr<State> state_;  // made at the first decode
};

// One picture through a decoder of its own (see JpegDecoder::decode).
std::optional<QImage> decodeJpegForThumbnail(const std::string& path, QSize cover,
                                             const JpegDecodeLimits& limits = {});

}  // namespace gallery
