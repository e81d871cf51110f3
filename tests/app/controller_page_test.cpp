#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/process.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::XServerTest;

// lumenor with its real controller page in its own web engine, driven over the engine's
// remote-debugging port from Node.
class ControllerPage : public XServerTest {
  protected:
    // A loopback port nobody listens on now.
    static int freePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        int port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
        ::close(fd);
        return port;
    }

    // Runs the Node client; true when the page showed `displayName` and the active pattern.
    static bool pageShows(int port, const QString& displayName, QString* seen) {
        QProcess node;
        node.start(QStringLiteral(NODE_EXECUTABLE),
                   {QStringLiteral(CDP_CLIENT), QString::number(port), displayName});
        node.waitForFinished(30000);
        *seen = QString::fromUtf8(node.readAllStandardOutput() + node.readAllStandardError());
        return node.exitStatus() == QProcess::NormalExit && node.exitCode() == 0;
    }
};

TEST_F(ControllerPage, ReadyReachesNativeCodeAndItsCallsChangeThePage) {
    QTemporaryDir config;
    const int port = freePort();
    QProcessEnvironment env = x().environment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    test::acceptAgreementIn(env, config.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("QTWEBENGINE_REMOTE_DEBUGGING"),
               QStringLiteral("127.0.0.1:%1").arg(port));
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"),
               QStringLiteral("org.lumenor.Lumenor.app.debug=true"));
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(lumenorBinary(), {});
    ASSERT_TRUE(app.waitForStarted());

    // The display list reaches the page only as the answer to its `ready`.
    QString seen;
    EXPECT_TRUE(pageShows(port, QStringLiteral("DUMMY0"), &seen)) << seen.toStdString();
    EXPECT_TRUE(seen.contains(QLatin1String("/share/lumenor/pages/controller.html")))
        << seen.toStdString();

    ASSERT_TRUE(x().plug(QStringLiteral("DUMMY1"), QStringLiteral("1280x720_60")));
    EXPECT_TRUE(pageShows(port, QStringLiteral("DUMMY1"), &seen)) << seen.toStdString();

    app.terminate();
    app.waitForFinished(10000);
    EXPECT_TRUE(app.readAllStandardError().contains("controller page ready"));
}

}  // namespace
}  // namespace lumenor
