// JPEG files made on purpose for decoder tests and benchmarks: progressive pictures and ones
// whose last scan is repeated many times (cheap to store, expensive to decode).
#pragma once

#include <string>

namespace testjpeg {

// A progressive greyscale JPEG of one grey level with libjpeg's standard scan script.
std::string progressiveGrey(int width, int height);

// The same picture with its last scan (a small refinement scan) repeated `repeats` more times.
std::string repeatedScans(int width, int height, int repeats);

}  // namespace testjpeg
