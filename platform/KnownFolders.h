// The user's picture and video folders (XDG user dirs).
#pragma once

#include <string>

namespace platform {

// The pictures folder the user's settings name, created when missing. The path is answered even
// when the folder cannot be made, so that it can be named to the user; empty only without a home.
std::string picturesFolder();
// The videos folder, likewise; empty when the system names none.
std::string videosFolder();

// Whether files can be written into `folder`: it is made when missing and must then be a
// directory that we may write into. An empty path never is.
bool usableFolder(const std::string& folder);

}  // namespace platform
