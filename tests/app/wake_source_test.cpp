#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "app/wake_source.h"
#include "support/system_bus_testbed.h"
#include "support/wait.h"

namespace lumenor {
namespace {

using test::SystemBusTestbed;

// Each test runs in a process of its own: the system bus connection is made once a process.
TEST(LogindWakeSource, WakesOnPrepareForSleepFalseFromTheLoginManagerOnly) {
    QString error;
    auto bus = SystemBusTestbed::start(&error);
    ASSERT_TRUE(bus) << error.toStdString();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus->address().toLocal8Bit());

    // Made before the login manager is on the bus, as when it restarts.
    auto source = makeLogindWakeSource();
    int wakes = 0;
    source->onWake = [&wakes] { ++wakes; };
    ASSERT_TRUE(bus->ownLoginManager());
    // The bus connection learns the login manager's new owner from a signal of its own; a
    // loaded machine may deliver that after the test's first sends. A running login manager is
    // on the bus long before it ever announces a sleep, so wait for the owner to be known.
    ASSERT_TRUE(QDBusConnection::systemBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.login1")));
    test::spinUntil([] { return false; }, 300);

    // Someone else's signal of the same name is not the login manager's.
    QDBusConnection impostor = QDBusConnection::connectToBus(bus->address(), "impostor");
    QDBusMessage fake = QDBusMessage::createSignal(
        "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
    fake << false;
    ASSERT_TRUE(impostor.send(fake));

    ASSERT_TRUE(bus->sendPrepareForSleep(true));
    ASSERT_TRUE(bus->sendPrepareForSleep(false));
    ASSERT_TRUE(test::spinUntil([&] { return wakes >= 1; }));
    EXPECT_EQ(wakes, 1) << "only the awakening from the login manager counts";

    ASSERT_TRUE(bus->sendPrepareForSleep(false));
    EXPECT_TRUE(test::spinUntil([&] { return wakes >= 2; }));
    QDBusConnection::disconnectFromBus("impostor");
}

}  // namespace
}  // namespace lumenor
