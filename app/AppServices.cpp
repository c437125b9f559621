// Production services: Qt message boxes, xdg-open, the locale environment, statvfs.
#include "AppServices.h"

namespace app {

AppServices defaultServices(int argc, char** argv) {
    static platform::QtMessageBoxes boxes;
    static platform::XdgShellOpener shell;
    AppServices services;
    services.messageBoxes = &boxes;
    services.shell = &shell;
    services.uiLanguage = [] { return platform::systemUiLanguage(); };
    services.freeSpace = platform::statvfsFreeBytes;
    for (int i = 1; i < argc; ++i) {
        services.arguments.emplace_back(argv[i]);
    }
    return services;
}

}  // namespace app
