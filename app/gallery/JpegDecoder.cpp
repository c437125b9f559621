// libjpeg-turbo decoding with a longjmp error manager; see JpegDecoder.h.
#include "app/gallery/JpegDecoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace gallery {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

// Warnings are ignored except a premature end of data: a truncated file (or one whose header
// claims far more picture than it holds) fails instead of being padded out.
void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        onError(cinfo);
    }
}

// Called as the codec reads the input; stops the decode (through the error exit) once the
// picture has more scans, or more pixels x scans, than the limits allow.
struct ScanGuard {
    jpeg_progress_mgr base;
    int maxScans;
    uint64_t maxWork;
};

void onProgress(j_common_ptr cinfo) {
    const auto* guard = reinterpret_cast<const ScanGuard*>(cinfo->progress);
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    const uint64_t pixels = static_cast<uint64_t>(d->image_width) * d->image_height;
    const auto scans = static_cast<uint64_t>(d->input_scan_number);
    if (d->input_scan_number > guard->maxScans || pixels * scans > guard->maxWork) {
        onError(cinfo);
    }
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

std::unique_ptr<FILE, FileCloser> openRegular(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        ::close(fd);
        return nullptr;
    }
    FILE* f = ::fdopen(fd, "rb");
    if (f == nullptr) {
        ::close(fd);
    }
    return std::unique_ptr<FILE, FileCloser>(f);
}

}  // namespace

// Everything that outlives a longjmp lives here, behind a pointer that is never reassigned.
struct JpegDecoder::State {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    ScanGuard guard{};
    bool created = false;
    QImage image;
    std::vector<uint8_t> row;
    std::vector<uint32_t> acc;
    ~State() {
        if (created) {
            jpeg_destroy_decompress(&cinfo);
        }
    }
};

namespace {

// The body after setjmp: only plain values and the state behind `s`. A failure may leave the
// codec anywhere in a picture; the caller aborts it before the next one.
bool decodeFile(JpegDecoder::State* s, FILE* file, QSize cover, const JpegDecodeLimits& limits) {
    jpeg_decompress_struct* cinfo = &s->cinfo;
    cinfo->err = jpeg_std_error(&s->err.base);
    s->err.base.error_exit = onError;
    s->err.base.emit_message = onMessage;
    if (setjmp(s->err.jump) != 0) {
        return false;
    }
    if (!s->created) {
        jpeg_create_decompress(cinfo);
        s->created = true;
    }
    cinfo->mem->max_memory_to_use = limits.maxCodecMemory;
    s->guard.base.progress_monitor = onProgress;
    s->guard.maxScans = limits.maxScans;
    s->guard.maxWork = limits.maxScanWork;
    cinfo->progress = &s->guard.base;
    jpeg_stdio_src(cinfo, file);
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    const uint64_t pixels = static_cast<uint64_t>(cinfo->image_width) * cinfo->image_height;
    if (pixels == 0 || pixels > limits.maxPixels) {
        return false;
    }
    cinfo->out_color_space = JCS_EXT_BGR;
    cinfo->dct_method = JDCT_IFAST;
    cinfo->do_fancy_upsampling = FALSE;
    cinfo->scale_denom = 8;
    cinfo->scale_num = 8;
    for (unsigned num = 1; num <= 8; ++num) {
        cinfo->scale_num = num;
        jpeg_calc_output_dimensions(cinfo);
        if (static_cast<int>(cinfo->output_width) >= cover.width() &&
            static_cast<int>(cinfo->output_height) >= cover.height()) {
            break;
        }
    }
    jpeg_start_decompress(cinfo);
    const size_t ow = cinfo->output_width;
    const size_t oh = cinfo->output_height;
    if (cinfo->output_components != 3 || ow == 0 || oh == 0) {
        return false;
    }
    // Integer box factor so that the bitmap stays within maxOutputBytes.
    size_t k = 1;
    while ((ow / k) * (oh / k) * 3 > limits.maxOutputBytes && k < ow && k < oh) {
        ++k;
    }
    const int outW = static_cast<int>((ow + k - 1) / k);
    const int outH = static_cast<int>((oh + k - 1) / k);
    s->image = QImage(outW, outH, QImage::Format_BGR888);
    if (s->image.isNull()) {
        return false;
    }
    s->row.resize(ow * 3);
    if (k == 1) {
        while (cinfo->output_scanline < oh) {
            JSAMPROW target = s->image.scanLine(static_cast<int>(cinfo->output_scanline));
            jpeg_read_scanlines(cinfo, &target, 1);
        }
    } else {
        s->acc.assign(static_cast<size_t>(outW) * 3, 0);
        size_t rowsIn = 0;
        while (cinfo->output_scanline < oh) {
            JSAMPROW line = s->row.data();
            const size_t y = cinfo->output_scanline;
            jpeg_read_scanlines(cinfo, &line, 1);
            for (size_t x = 0; x < ow; ++x) {
                uint32_t* a = &s->acc[(x / k) * 3];
                a[0] += line[3 * x];
                a[1] += line[3 * x + 1];
                a[2] += line[3 * x + 2];
            }
            ++rowsIn;
            if (rowsIn == k || y + 1 == oh) {
                uint8_t* out = s->image.scanLine(static_cast<int>(y / k));
                for (int ox = 0; ox < outW; ++ox) {
                    const size_t cols = std::min(k, ow - static_cast<size_t>(ox) * k);
                    const auto n = static_cast<uint32_t>(cols * rowsIn);
                    for (int c = 0; c < 3; ++c) {
                        out[3 * ox + c] =
                            static_cast<uint8_t>(s->acc[static_cast<size_t>(3 * ox + c)] / n);
                    }
                }
                std::fill(s->acc.begin(), s->acc.end(), 0U);
                rowsIn = 0;
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

}  // namespace

JpegDecoder::JpegDecoder(const JpegDecodeLimits& limits) : limits_(limits) {}
JpegDecoder::~JpegDecoder() = default;
JpegDecoder::JpegDecoder(JpegDecoder&&) noexcept = default;
JpegDecoder& JpegDecoder::operator=(JpegDecoder&&) noexcept = default;

std::optional<QImage> JpegDecoder::decode(const std::string& path, QSize cover) {
    auto file = openRegular(path);
    if (!file) {
        return std::nullopt;
    }
    if (!state_) {
        state_ = std::make_unique<State>();
    }
    const bool ok = decodeFile(state_.get(), file.get(), cover, limits_);
    if (!ok) {
        if (state_->created) {
            jpeg_abort_decompress(&state_->cinfo);  // back to idle: the next picture starts clean
        }
        state_->image = QImage();
        return std::nullopt;
    }
    return std::move(state_->image);
}

std::optional<QImage> decodeJpegForThumbnail(const std::string& path, QSize cover,
                                             const JpegDecodeLimits& limits) {
    return JpegDecoder(limits).decode(path, cover);
}

}  // namespace gallery
