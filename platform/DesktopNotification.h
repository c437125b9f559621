// A message in the desktop's notification area, for what a user started from a menu would not
// see on stderr: the session bus's notification service shows it.
#pragma once

#include <chrono>
#include <string>

namespace platform {

struct DesktopNotification {
    std::string appName;   // the program's name
    std::string iconName;  // an icon-theme name; also names the program's desktop entry
    std::string summary;   // one line
    std::string body;      // plain text, lines separated by '\n'
};

// Hands `notification` to the session's notification service and waits at most `budget` for
// the service to take it (0.2 s more when the bus itself hangs in its greeting). False, without
// a word, when there is no session bus, no service or no answer in time. Never starts a bus of
// its own.
bool sendDesktopNotification(const DesktopNotification& notification,
                             std::chrono::milliseconds budget);

}  // namespace platform
