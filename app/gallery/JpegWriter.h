// Writing snapshots as JPEG files: with the EXIF Artist and DateTimeOriginal, or plain.
#pragma once

#include <functional>
#include <string>

#include <QImage>

namespace gallery {

// A local wall-clock time, as the clock on the wall shows it.
struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

using LocalClock = std::function<LocalTime()>;

// The system clock in the local time zone.
LocalTime localNow();

// "YYYY:MM:DD HH:MM:SS" (19 characters); fields out of their range are clamped so the text
// always has exactly this shape.
std::string formatExifDateTime(const LocalTime& t);

// The EXIF APP1 payload (starting "Exif\0\0") with Artist and DateTimeOriginal; empty on failure.
std::string buildExifBlock(const std::string& artist, const std::string& dateTime);

// Writes `bitmap` (any format; encoded from 24-bit BGR rows) at the encoder's default quality
// (75) with the two EXIF properties; the time is read from `clock` once, just before encoding.
// The file is written under a temporary name in the same folder and renamed over `path`, so a
// failed write (full disk, missing folder, empty bitmap) answers false and leaves the old file,
// or no file, at `path`.
bool SaveJpegWithExif(const QImage& bitmap, const std::string& path, const std::string& artist,
                      const LocalClock& clock = localNow);

// The same, but only where no file is: false, and the file left alone, when one is there or
// appears while the picture is written.
bool SaveNewJpegWithExif(const QImage& bitmap, const std::string& path, const std::string& artist,
                         const LocalClock& clock = localNow);

// The same without any EXIF data (the branded edition's overwrite of an existing picture).
bool SaveJpeg(const QImage& bitmap, const std::string& path);

}  // namespace gallery
