#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace lumenor::test {

// A private message bus standing in for the system bus (dbus-daemon with a config of our own),
// on which the test itself plays the login manager: it owns org.freedesktop.login1 and sends
// its PrepareForSleep signal. Give address() to a process as DBUS_SYSTEM_BUS_ADDRESS. The
// daemon dies with the test process and is stopped when the object goes.
class SystemBusTestbed {
  public:
    static std::unique_ptr<SystemBusTestbed> start(QString* error);
    ~SystemBusTestbed();
    SystemBusTestbed(const SystemBusTestbed&) = delete;
    SystemBusTestbed& operator=(const SystemBusTestbed&) = delete;

    QString address() const { return address_; }

    // Takes the login manager's name on a connection of the test's own.
    bool ownLoginManager();
    bool sendPrepareForSleep(bool goingToSleep);

  private:
    SystemBusTestbed() = default;

    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QString connectionName_;
};

}  // namespace lumenor::test
