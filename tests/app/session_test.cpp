#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

#include <unistd.h>

#include <csignal>
#include <memory>

#include "app/wake_source.h"
#include "support/process.h"
#include "support/system_bus_testbed.h"
#include "support/wait.h"

namespace lumenor {
namespace {

using test::runProcess;
using test::SystemBusTestbed;

// Probes (single_instance_probe) claiming sessions in a runtime folder of the test's own.
class SingleInstanceClaim : public ::testing::Test {
  protected:
    QProcessEnvironment env(const QString& display) const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("DISPLAY", display);
        e.remove("XDG_ACTIVATION_TOKEN");
        if (sharedTmp.isEmpty()) {
            e.insert("XDG_RUNTIME_DIR", runtime.path());
        } else {
            e.remove("XDG_RUNTIME_DIR");
            e.insert("TMPDIR", sharedTmp);
        }
        return e;
    }
    // A probe that claimed its session and stays until its input closes.
    std::unique_ptr<QProcess> holder(const QString& display) const {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env(display));
        p->start(SINGLE_INSTANCE_PROBE, {});
        EXPECT_TRUE(p->waitForReadyRead(10000));
        EXPECT_EQ(p->readLine(), "claimed\n");
        return p;
    }
    // A second start, launched with `activationToken` as its launcher's (empty: none).
    test::ProcessResult second(const QString& display, const QString& activationToken = {}) const {
        QProcessEnvironment e = env(display);
        e.insert("XDG_ACTIVATION_TOKEN", activationToken);
        return runProcess(SINGLE_INSTANCE_PROBE, {}, e, 15000);
    }
    static bool saysActivated(QProcess& p, const QByteArray& line = "activated\n") {
        return p.canReadLine() || p.waitForReadyRead(5000) ? p.readLine() == line : false;
    }
    QTemporaryDir runtime;
    QString sharedTmp;  // when set: no runtime folder, and this as the temporary folder
};

TEST_F(SingleInstanceClaim, OneHolderPerDisplayAndAKilledOneDoesNotBlockTheNext) {
    auto first = holder(":97");
    // The second start's activation token goes along with its request; what is no token does
    // not.
    const struct {
        const char* display;
        const char* token;
        const char* heard;
    } starts[] = {{":97", "", "activated\n"},
                  {":97.0", "0f1e_TIME42", "activated 0f1e_TIME42\n"},
                  {":97", "two words", "activated\n"}};
    for (const auto& start : starts) {
        const auto r = second(start.display, start.token);
        EXPECT_EQ(r.exitCode, 3) << start.display;
        EXPECT_EQ(r.out, "raised\n");
        EXPECT_TRUE(saysActivated(*first, start.heard)) << start.display << " " << start.token;
    }
    // Another X display is another desktop session: its holder claims it.
    auto other = holder(":98");

    // Killed outright, a holder leaves its socket and lock behind; the next start takes them.
    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    ASSERT_TRUE(first->waitForFinished(5000));
    ASSERT_FALSE(QDir(runtime.path())
                     .entryList({"*_97*"}, QDir::AllEntries | QDir::System | QDir::Hidden)
                     .isEmpty())
        << "the killed holder's socket and lock stay behind";
    auto next = holder(":97");
    EXPECT_EQ(second(":97").exitCode, 3);
    EXPECT_TRUE(saysActivated(*next));

    for (QProcess* p : {next.get(), other.get()}) {
        p->closeWriteChannel();
        EXPECT_TRUE(p->waitForFinished(5000));
        EXPECT_EQ(p->exitCode(), 0);
    }
    EXPECT_TRUE(
        QDir(runtime.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        << "a holder that ends leaves nothing behind";
}

// Without a runtime folder the lock and socket go in a folder of this user's own, never in the
// shared temporary folder, where anyone can plant a lock that looks held or a link.
TEST_F(SingleInstanceClaim, FilesPlantedInTheSharedTemporaryFolderDoNotStopAStart) {
    QTemporaryDir shared;
    ASSERT_TRUE(QFile::setPermissions(shared.path(), QFileDevice::Permissions(0x7777)));
    sharedTmp = shared.path();
    const QString uid = QString::number(::getuid());
    QFile planted(shared.filePath(QString("lumenor-%1-_97.lock").arg(uid)));
    ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
    // A lock that looks held: its process (this test) is alive and has the name it records.
    planted.write(QString("%1\n%2\n%3\n")
                      .arg(QCoreApplication::applicationPid())
                      .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
                           QSysInfo::machineHostName())
                      .toUtf8());
    planted.close();

    auto first = holder(":97");
    EXPECT_EQ(second(":97").exitCode, 3) << "the second start did not find the first";
    EXPECT_TRUE(saysActivated(*first));
    EXPECT_EQ(QFileInfo(shared.filePath("lumenor-" + uid)).permissions() & 0x0077, 0);
    first->closeWriteChannel();
    EXPECT_TRUE(first->waitForFinished(5000));

    // A link planted where our folder goes is not followed: Lumenor starts without a lock.
    QTemporaryDir other;
    QTemporaryDir target;
    sharedTmp = other.path();
    ASSERT_TRUE(QFile::link(target.path(), other.filePath("lumenor-" + uid)));
    auto unguarded = holder(":97");
    EXPECT_TRUE(
        QDir(target.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    unguarded->closeWriteChannel();
    EXPECT_TRUE(unguarded->waitForFinished(5000));
}

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
