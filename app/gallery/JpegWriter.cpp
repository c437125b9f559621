// libjpeg-turbo encoding with a libexif APP1 block, written through AtomicFile.
#include "app/gallery/JpegWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include <jpeglib.h>
#include <libexif/exif-data.h>
#include <libexif/exif-entry.h>
#include <libexif/exif-utils.h>

#include "app/gallery/AtomicFile.h"

namespace gallery {

namespace {

constexpr int kDefaultQuality = 75;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void ignoreMessage(j_common_ptr, int) {}

// Everything the encoder touches after setjmp, behind a pointer that is never reassigned.
struct EncodeState {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    bool created = false;
    unsigned char* out = nullptr;  // jpeg_mem_dest's buffer, malloc'ed by the codec
    unsigned long outSize = 0;
    ~EncodeState() {
        if (created) {
            jpeg_destroy_compress(&cinfo);
        }
        std::free(out);
    }
};

bool encode(EncodeState* s, const QImage* rows, const std::string* exif) {
    jpeg_compress_struct* cinfo = &s->cinfo;
    cinfo->err = jpeg_std_error(&s->err.base);
    s->err.base.error_exit = onError;
    s->err.base.emit_message = ignoreMessage;
    if (setjmp(s->err.jump) != 0) {
        return false;
    }
    jpeg_create_compress(cinfo);
    s->created = true;
    jpeg_mem_dest(cinfo, &s->out, &s->outSize);
    cinfo->image_width = static_cast<JDIMENSION>(rows->width());
    cinfo->image_height = static_cast<JDIMENSION>(rows->height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, kDefaultQuality, TRUE);
    if (!exif->empty()) {
        // An EXIF file carries APP1 first; a JFIF APP0 beside it is a conflict validators flag.
        cinfo->write_JFIF_header = FALSE;
    }
    jpeg_start_compress(cinfo, TRUE);
    if (!exif->empty()) {
        jpeg_write_marker(cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif->data()),
                          static_cast<unsigned>(exif->size()));
    }
    while (cinfo->next_scanline < cinfo->image_height) {
        // libjpeg's row pointer is not const; it only reads input rows.
        auto* line =
            const_cast<JSAMPLE*>(rows->constScanLine(static_cast<int>(cinfo->next_scanline)));
        jpeg_write_scanlines(cinfo, &line, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

bool writeJpeg(const QImage& bitmap, const std::string& path, const std::string& exif,
               bool replace = true) {
    if (bitmap.width() <= 0 || bitmap.height() <= 0 || bitmap.width() > JPEG_MAX_DIMENSION ||
        bitmap.height() > JPEG_MAX_DIMENSION) {
        return false;
    }
    const QImage rows = bitmap.format() == QImage::Format_BGR888
                            ? bitmap
                            : bitmap.convertToFormat(QImage::Format_BGR888);
    if (rows.isNull()) {
        return false;
    }
    auto state = std::make_unique<EncodeState>();
    if (!encode(state.get(), &rows, &exif)) {
        return false;
    }
    AtomicFile file(path, AtomicFile::Mode::User);
    return file.open() && file.write(state->out, state->outSize) && file.commit(true, replace);
}

struct ExifDataDeleter {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};
struct ExifMemDeleter {
    void operator()(ExifMem* m) const { exif_mem_unref(m); }
};

// An ASCII entry allocated by us: the library's initialiser does not allocate Artist.
bool addAsciiEntry(ExifMem* mem, ExifContent* ifd, ExifTag tag, const std::string& text) {
    ExifEntry* entry = exif_entry_new_mem(mem);
    if (entry == nullptr) {
        return false;
    }
    const size_t size = text.size() + 1;  // with its terminating zero
    auto* data = static_cast<unsigned char*>(exif_mem_alloc(mem, static_cast<ExifLong>(size)));
    if (data == nullptr) {
        exif_entry_unref(entry);
        return false;
    }
    std::memcpy(data, text.c_str(), size);
    entry->data = data;
    entry->size = static_cast<unsigned>(size);
    entry->tag = tag;
    entry->components = size;
    entry->format = EXIF_FORMAT_ASCII;
    exif_content_add_entry(ifd, entry);
    exif_entry_unref(entry);
    return true;
}

}  // namespace

LocalTime localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string formatExifDateTime(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", std::clamp(t.year, 0, 9999),
                  std::clamp(t.month, 0, 99), std::clamp(t.day, 0, 99), std::clamp(t.hour, 0, 99),
                  std::clamp(t.minute, 0, 99), std::clamp(t.second, 0, 99));
    return text;
}

std::string buildExifBlock(const std::string& artist, const std::string& dateTime) {
    std::unique_ptr<ExifMem, ExifMemDeleter> mem(exif_mem_new_default());
    std::unique_ptr<ExifData, ExifDataDeleter> data(exif_data_new_mem(mem.get()));
    if (!mem || !data) {
        return {};
    }
    ExifData* ed = data.get();
    exif_data_set_option(ed, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_data_type(ed, EXIF_DATA_TYPE_COMPRESSED);
    exif_data_set_byte_order(ed, EXIF_BYTE_ORDER_INTEL);
    exif_data_fix(ed);
    if (!addAsciiEntry(mem.get(), ed->ifd[EXIF_IFD_0], EXIF_TAG_ARTIST, artist) ||
        !addAsciiEntry(mem.get(), ed->ifd[EXIF_IFD_EXIF], EXIF_TAG_DATE_TIME_ORIGINAL, dateTime)) {
        return {};
    }
    // The fixer leaves ColorSpace "uncalibrated"; the pixels are sRGB.
    if (ExifEntry* cs = exif_content_get_entry(ed->ifd[EXIF_IFD_EXIF], EXIF_TAG_COLOR_SPACE)) {
        if (cs->data != nullptr && cs->size >= 2) {
            exif_set_short(cs->data, EXIF_BYTE_ORDER_INTEL, 1);
        }
    }
    unsigned char* blob = nullptr;
    unsigned int size = 0;
    exif_data_save_data(ed, &blob, &size);
    if (blob == nullptr) {
        return {};
    }
    std::string out(reinterpret_cast<const char*>(blob), size);
    exif_mem_free(mem.get(), blob);
    return out;
}

namespace {

bool writeJpegWithExif(const QImage& bitmap, const std::string& path, const std::string& artist,
                       const LocalClock& clock, bool replace) {
    const std::string exif =
        buildExifBlock(artist, formatExifDateTime(clock ? clock() : localNow()));
    // The APP1 marker holds at most 65,533 bytes of payload.
    if (exif.empty() || exif.size() > 65533) {
        return false;
    }
    return writeJpeg(bitmap, path, exif, replace);
}

}  // namespace

bool SaveJpegWithExif(const QImage& bitmap, const std::string& path, const std::string& artist,
                      const LocalClock& clock) {
    return writeJpegWithExif(bitmap, path, artist, clock, true);
}

bool SaveNewJpegWithExif(const QImage& bitmap, const std::string& path, const std::string& artist,
                         const LocalClock& clock) {
    return writeJpegWithExif(bitmap, path, artist, clock, false);
}

bool SaveJpeg(const QImage& bitmap, const std::string& path) {
    return writeJpeg(bitmap, path, std::string());
}

}  // namespace gallery
