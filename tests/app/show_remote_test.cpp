#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "support/process.h"
#include "support/trickle_flood.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::runProcess;
using test::XServerTest;

// The HTTP status of the answer to one form-encoded command sent to 127.0.0.1.
QByteArray post(quint16 port, const QByteArray& form) {
    return runProcess("curl", {"-sS", "-o", "/dev/null", "-w", "%{http_code}", "-d", form,
                               QStringLiteral("http://127.0.0.1:%1/cmd").arg(port)})
        .out;
}

// Turns the terminal drawing back into an image (block characters are light modules) and
// reads it with zbarimg.
QByteArray decodeTerminalQr(const QStringList& lines) {
    const int width = static_cast<int>(lines.front().size());
    QImage image(width * 8, static_cast<int>(lines.size()) * 16, QImage::Format_Grayscale8);
    for (int row = 0; row < lines.size(); ++row) {
        for (int col = 0; col < width; ++col) {
            const QChar c = lines[row].at(col);
            const bool top = c == QChar(0x2588) || c == QChar(0x2580);
            const bool bottom = c == QChar(0x2588) || c == QChar(0x2584);
            for (int y = 0; y < 16; ++y) {
                const bool light = y < 8 ? top : bottom;
                for (int x = 0; x < 8; ++x) {
                    image.scanLine(row * 16 + y)[col * 8 + x] = light ? 255 : 0;
                }
            }
        }
    }
    QTemporaryDir dir;
    const QString file = dir.filePath("qr.png");
    image.save(file);
    return runProcess("zbarimg", {"--raw", "-q", file}).out.trimmed();
}

class ShowRemote : public XServerTest {};

TEST_F(ShowRemote, PhoneCommandsDriveTheOutput) {
    QProcess show;
    show.setProcessEnvironment(x().environment());
    show.start(lumenorBinary(),
               {"show", "grid", "--remote", "--remote-address", "127.0.0.1", "--seconds", "60"});
    ASSERT_TRUE(show.waitForStarted());
    auto nextLine = [&]() -> QString {
        while (!show.canReadLine()) {
            if (!show.waitForReadyRead(10000)) {
                return {};
            }
        }
        return QString::fromUtf8(show.readLine()).chopped(1);
    };
    auto nextRemoteLine = [&]() -> QString {
        QString line;
        do {
            line = nextLine();
        } while (!line.isEmpty() && !line.startsWith("remote: "));
        return line;
    };

    const QString first = nextLine();
    const QRegularExpressionMatch m =
        QRegularExpression("^phone remote: http://127\\.0\\.0\\.1:(\\d+)/\\?pin=(\\d{6})$")
            .match(first);
    ASSERT_TRUE(m.hasMatch()) << first.toStdString() << show.readAllStandardError().toStdString();
    const auto port = static_cast<quint16>(m.captured(1).toUInt());
    const QByteArray pin = m.captured(2).toLatin1();
    EXPECT_EQ(nextLine(), "PIN: " + pin);
    QStringList qr;
    for (QString line = nextLine(); !line.isEmpty() && !line.startsWith("frame");
         line = nextLine()) {
        qr << line;
    }
    ASSERT_GT(qr.size(), 10);
    EXPECT_EQ(decodeTerminalQr(qr), first.mid(14).toUtf8());
    ASSERT_TRUE(x().findWindow("Lumenor output"));

    EXPECT_EQ(post(port, "verb=pattern&name=grid&pin=" + pin + "x"), "403");
    const std::vector<std::pair<QByteArray, QString>> steps = {
        {"verb=pattern&name=smpte", "remote: pattern smpte"},
        {"verb=cycle&delta=-1", "remote: cycle -1"},
        {"verb=output&on=0", "remote: output 0"},
        {"verb=output&on=1", "remote: output 1"},
        {"verb=blank", "remote: blank"},
        {"verb=identify", "remote: identify"}};
    for (const auto& [form, line] : steps) {
        EXPECT_EQ(post(port, form + "&pin=" + pin), "200");
        EXPECT_EQ(nextRemoteLine(), line);
        if (line == "remote: output 0") {
            bool gone = false;
            for (int i = 0; i < 50 && !gone; ++i) {
                gone = !x().findWindow("Lumenor output", 0);
                QThread::msleep(20);
            }
            EXPECT_TRUE(gone);
        } else if (line == "remote: output 1") {
            EXPECT_TRUE(x().findWindow("Lumenor output", 5000));
        }
    }
    EXPECT_TRUE(x().findWindow("Lumenor identify 1", 5000));
    show.terminate();
    EXPECT_TRUE(show.waitForFinished(5000));
}

TEST_F(ShowRemote, TricklingConnectionsCostTheMovingOutputNoRefresh) {
    QProcess show;
    show.setProcessEnvironment(x().environment());
    show.start(lumenorBinary(), {"show", "movingBlock", "--remote", "--remote-address", "127.0.0.1",
                                 "--seconds", "60"});
    ASSERT_TRUE(show.waitForStarted());
    quint16 port = 0;
    int dropped = -1;
    const QRegularExpression urlLine("^phone remote: http://127\\.0\\.0\\.1:(\\d+)/");
    const QRegularExpression frameLine("^frame [0-9.]+ Hz dropped (\\d+)");
    // Reads the output's lines for this long, keeping its port and its count of dropped
    // refreshes.
    auto follow = [&](int ms) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms && show.state() == QProcess::Running) {
            show.waitForReadyRead(50);
            while (show.canReadLine()) {
                const QString line = QString::fromUtf8(show.readLine()).trimmed();
                if (const auto m = urlLine.match(line); m.hasMatch()) {
                    port = static_cast<quint16>(m.captured(1).toUInt());
                } else if (const auto f = frameLine.match(line); f.hasMatch()) {
                    dropped = f.captured(1).toInt();
                }
            }
        }
    };
    follow(4000);
    ASSERT_NE(port, 0);
    ASSERT_GE(dropped, 0);
    // The same stretch without traffic first: refreshes the machine alone costs say nothing
    // about the remote.
    const int quietFrom = dropped;
    follow(8000);
    if (dropped > quietFrom) {
        show.terminate();
        show.waitForFinished(5000);
        GTEST_SKIP() << "the output dropped " << dropped - quietFrom
                     << " refreshes without any traffic: the machine is too busy to judge";
    }
    const int before = dropped;
    int closed = 0;
    {
        test::TrickleFlood flood(port, 400);
        follow(8000);
        closed = flood.closedByServer();
    }
    follow(1500);          // the report that covers the flood's last moment
    EXPECT_GT(closed, 0);  // the flood reached the remote
    EXPECT_EQ(dropped - before, 0);
    show.terminate();
    EXPECT_TRUE(show.waitForFinished(5000));
}

TEST(ShowRemoteCommandLine, NoNetworkInterfaceIsOneLineAndStatusOne) {
    // A network namespace of its own has nothing but a loopback interface.
    if (runProcess("unshare", {"-n", "true"}).exitCode != 0) {
        GTEST_SKIP() << "no network namespace can be made here (needs root and unshare)";
    }
    const auto r = runProcess("unshare", {"-n", lumenorBinary(), "show", "grid", "--remote"});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("no network interface for the phone remote"));
    const auto bad =
        runProcess(lumenorBinary(), {"show", "grid", "--remote", "--remote-address", "::1"});
    EXPECT_EQ(bad.exitCode, 2);
}

}  // namespace
}  // namespace lumenor
