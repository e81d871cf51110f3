#include "support/system_bus_testbed.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>

#include <sys/prctl.h>
#include <csignal>

namespace lumenor::test {

namespace {

constexpr const char* kConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)";

}  // namespace

std::unique_ptr<SystemBusTestbed> SystemBusTestbed::start(QString* error) {
    std::unique_ptr<SystemBusTestbed> bed(new SystemBusTestbed());
    if (!bed->dir_.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return nullptr;
    }
    const QString socket = bed->dir_.filePath(QStringLiteral("system_bus_socket"));
    const QString config = bed->dir_.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QString::fromLatin1(kConfig).arg(socket).toUtf8()) < 0) {
        *error = QStringLiteral("cannot write %1").arg(config);
        return nullptr;
    }
    file.close();
    bed->daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    bed->daemon_.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
    // The daemon prints its address once it listens.
    if (!bed->daemon_.waitForStarted(10000) || !bed->daemon_.waitForReadyRead(10000)) {
        *error = QStringLiteral("dbus-daemon did not start: %1")
                     .arg(QString::fromLocal8Bit(bed->daemon_.readAllStandardError()));
        return nullptr;
    }
    bed->address_ = QString::fromLocal8Bit(bed->daemon_.readLine()).trimmed();
    bed->connectionName_ = QStringLiteral("lumenor-test-login-manager-") + bed->dir_.path();
    return bed;
}

SystemBusTestbed::~SystemBusTestbed() {
    QDBusConnection::disconnectFromBus(connectionName_);
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000)) {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
}

bool SystemBusTestbed::ownLoginManager() {
    QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName_);
    return bus.isConnected() && bus.registerService(QStringLiteral("org.freedesktop.login1"));
}

bool SystemBusTestbed::sendPrepareForSleep(bool goingToSleep) {
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"));
    signal << goingToSleep;
    return QDBusConnection(connectionName_).send(signal);
}

}  // namespace lumenor::test
