// A running program's message socket, as another program uses it.
#pragma once

#include <string>

// Sends one line; the program's answer, or "" without one.
std::string sendOutsideMessage(const std::string& socketPath, const std::string& line);
