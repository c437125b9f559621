// The user's picture and video folders (XDG user dirs).
#pragma once

#include <string>

namespace platform {

// The pictures folder, created when missing; empty only when no home exists.
std::string picturesFolder();
// The videos folder, created when missing; empty when it cannot be had.
std::string videosFolder();

}  // namespace platform
