// Production services: Qt message boxes, xdg-open, the locale environment, statvfs, desktop
// notifications, and the capture component.
#include "AppServices.h"

#include "capture/nDirectShow.h"
#include "editions/Edition.h"

namespace app {
namespace {

// The one notification comes right before the program ends: it may hold the exit this long.
constexpr std::chrono::milliseconds kNotificationBudget{1000};

}  // namespace

AppServices defaultServices(int argc, char** argv) {
    static platform::QtMessageBoxes boxes;
    static platform::XdgShellOpener shell;
    AppServices services;
    services.messageBoxes = &boxes;
    services.shell = &shell;
    services.uiLanguage = [] { return platform::systemUiLanguage(); };
    services.freeSpace = platform::statvfsFreeBytes;
    services.notify = [](const platform::DesktopNotification& notification) {
        platform::sendDesktopNotification(notification, kNotificationBudget);
    };
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
