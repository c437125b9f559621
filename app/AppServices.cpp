// Production services: Qt message boxes, xdg-open, the locale environment, statvfs, and the
// capture component.
#include "AppServices.h"

#include "capture/nDirectShow.h"
#include "editions/Edition.h"

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

std::unique_ptr<TDirectShow> defaultCapture(const editions::Edition& edition,
                                            const AppServices& services) {
    return std::make_unique<TDirectShow>(
        nullptr, services.messageBoxes,
        edition.brandedCapture ? CaptureVariant::Branded : CaptureVariant::Main);
}

}  // namespace app
