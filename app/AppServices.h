// The platform services and the capture component the main window uses, passed in so that tests
// can answer them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/gallery/JpegWriter.h"
#include "platform/DesktopNotification.h"
#include "platform/DiskSpace.h"
#include "platform/MessageBoxes.h"
#include "platform/ShellOpen.h"
#include "platform/UiLanguage.h"

class TDirectShow;
namespace editions {
struct Edition;
}

namespace app {

struct AppServices {
    platform::MessageBoxes* messageBoxes = nullptr;
    platform::ShellOpener* shell = nullptr;
    std::function<platform::LangId()> uiLanguage;  // the system's interface language
    platform::FreeSpaceSource freeSpace;           // free bytes of a path's volume
    std::vector<std::string> arguments;            // command-line arguments after the program name
    gallery::LocalClock clock;                     // capture time of snapshots; empty: the real one
    // Shows a desktop notification, taking a bounded moment at most; empty: none is shown.
    std::function<void(const platform::DesktopNotification&)> notify;
};

// The real services of a running program.
AppServices defaultServices(int argc, char** argv);

// The real capture component of `edition`, for the window to take. Its start-up failure box goes
// through services.messageBoxes.
std::unique_ptr<TDirectShow> defaultCapture(const editions::Edition& edition,
                                            const AppServices& services);

}  // namespace app
