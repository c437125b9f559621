// Program entry: single instance, application object, main window, popup, message loop.
#include "EntryPoint.h"

#include <cstdio>
#include <exception>
#include <optional>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "AppServices.h"
#include "HelpAndVersion.h"
#include "Main.h"
#include "Popups.h"
#include "capture/nDirectShow.h"
#include "editions/Edition.h"
#include "platform/InstanceLock.h"
#include "platform/media/VirtualDeviceProvider.h"
#include "platform/TerminationSignals.h"

namespace app {

int runProgram(int argc, char** argv) {
    const editions::Edition& edition = editions::edition();
    if (const std::optional<int> answered = answerHelpOrVersion(edition, argc, argv, stdout)) {
        return *answered;
    }

    // A second instance ends at once: no window, no message.
    static platform::InstanceLock instanceLock;  // held until the process ends
    if (instanceLock.acquire(edition.mutexName) == platform::InstanceLock::Result::AlreadyHeld) {
        return 1;
    }

    // A virtual camera given without ids stands in for the edition's first supported camera.
    if (!edition.cameras.empty()) {
        platform::media::VirtualDeviceProvider::setDefaultCameraIds(edition.cameras[0].vid,
                                                                    edition.cameras[0].pid);
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(edition.applicationTitle));
    // No display name: Qt would append it to every caption that differs from it. The desktop
    // entry names the program to the desktop instead, and the icon comes from the icon theme.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(edition.desktopFileName));
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromUtf8(edition.desktopFileName)));

    try {
        AppServices services = defaultServices(argc, argv);
        std::unique_ptr<TDirectShow> capture = defaultCapture(edition, services);
        // Declared before the window so that it outlives the window's shutdown: a second signal
        // must never find the default handler, which kills, while the shutdown runs.
        bool shuttingDown = false;
        std::unique_ptr<platform::TerminationSignals> terminationSignals;
        TMainForm mainForm(edition, std::move(services), std::move(capture));
        if (!mainForm.constructed()) {
            return 0;
        }
        // The end of a session closes the window the normal way, so settings are written. A
        // signal during the start, before the event loop runs, is remembered: quit() would be lost.
        // Once shutdown has begun, further signals are ignored.
        terminationSignals = std::make_unique<platform::TerminationSignals>(
            [&mainForm, &shuttingDown, &terminationSignals](int) {
                if (shuttingDown) {
                    return;
                }
                shuttingDown = true;
                terminationSignals->ignoreFurther();
                mainForm.close();
                QApplication::quit();
            });
        TPopup popup(mainForm);
        if (!mainForm.FormCreate()) {
            return 0;
        }
        if (!shuttingDown) {
            QApplication::exec();
        }
        shuttingDown = true;
        terminationSignals->ignoreFurther();  // the window's shutdown runs next
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QString::fromUtf8(edition.applicationTitle),
                              QString::fromUtf8(e.what()));
    }
    return 0;
}

}  // namespace app
