// Helpers shared by the gallery tests: pictures, JPEG files and running outside tools.
#pragma once

#include <cstdio>
#include <string>

#include <QColor>
#include <QImage>

#include "app/gallery/JpegWriter.h"

namespace gallerytest {

// Runs a shell command and returns its standard output.
inline std::string run(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) {
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
        out.append(buf, n);
    }
    ::pclose(p);
    return out;
}

inline std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

// A BGR picture in one colour, with a distinct top-left quarter so that orientation shows.
inline QImage picture(int w, int h, QColor colour, QColor corner = Qt::white) {
    QImage image(w, h, QImage::Format_BGR888);
    image.fill(colour);
    for (int y = 0; y < h / 4; ++y) {
        for (int x = 0; x < w / 4; ++x) {
            image.setPixelColor(x, y, corner);
        }
    }
    return image;
}

inline bool writePicture(const std::string& path, int w, int h,
                         QColor colour = QColor(200, 40, 30)) {
    return gallery::SaveJpegWithExif(picture(w, h, colour), path, "Peekbox");
}

// True when two colours differ by at most `tolerance` per channel (JPEG is lossy).
inline bool near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace gallerytest
