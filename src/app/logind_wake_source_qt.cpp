#include "app/logind_wake_source_qt.h"

#include <QDBusConnection>

namespace lumenor {

LogindWakeSource::LogindWakeSource() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    // Naming the service keeps out the same signal sent by anyone but the login manager.
    bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                this, SLOT(prepareForSleep(bool)));
}

void LogindWakeSource::prepareForSleep(bool goingToSleep) {
    if (!goingToSleep && onWake) {
        onWake();
    }
}

std::unique_ptr<WakeSource> makeLogindWakeSource() {
    return std::make_unique<LogindWakeSource>();
}

}  // namespace lumenor
