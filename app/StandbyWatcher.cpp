// logind signal subscription.
#include "StandbyWatcher.h"

#include <QDBusConnection>

StandbyWatcher::StandbyWatcher(std::function<void()> onSuspend) : onSuspend_(std::move(onSuspend)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected()) {
        connected_ = bus.connect(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
            this, SLOT(prepareForSleep(bool)));
    }
}

void StandbyWatcher::prepareForSleep(bool start) {
    if (start && onSuspend_) {
        onSuspend_();
    }
}
