#include <QTcpServer>
#include <QTcpSocket>

#include "e2e_fixture.h"
#include "support/patch_protocol.h"

namespace lumenor::test {
namespace {

using E2eCalibration = LumenorE2E;

TEST_F(E2eCalibration, ASessionStartedInThePagePutsEachPatchOnTheChosenHead) {
    QTcpServer program;
    ASSERT_TRUE(program.listen(QHostAddress::LocalHost));
    launch();
    ASSERT_TRUE(onElement("#calibration-address",
                          QStringLiteral("el.value = '127.0.0.1:%1'").arg(program.serverPort())));
    ASSERT_TRUE(onElement("#calibration-display",
                          QStringLiteral("el.value = '%1'").arg(x().outputId("DUMMY1"))));
    ASSERT_TRUE(click("#calibration-start"));
    ASSERT_TRUE(program.waitForNewConnection(15000));
    QTcpSocket* socket = program.nextPendingConnection();
    ASSERT_TRUE(waitForElement("#calibration-status", "el.textContent.startsWith('Running')"));

    for (const QRgb colour : {qRgb(12, 34, 56), qRgb(255, 128, 1)}) {
        socket->write(framed(QStringLiteral("<calibration><color red=\"%1\" green=\"%2\" "
                                            "blue=\"%3\"/></calibration>")
                                 .arg(qRed(colour))
                                 .arg(qGreen(colour))
                                 .arg(qBlue(colour))
                                 .toUtf8()));
        ASSERT_TRUE(socket->waitForBytesWritten(5000));
        QImage expected(kHead1.size(), QImage::Format_RGB32);
        expected.fill(colour);
        EXPECT_EQ(settle(kHead1, expected), 0);
    }
    EXPECT_TRUE(
        waitForElement("#calibration-status", "el.textContent === 'Running: 2 patches shown.'"));

    ASSERT_TRUE(click("#calibration-stop"));
    EXPECT_TRUE(waitForElement("#calibration-status",
                               "el.textContent.startsWith('Ended after 2 patches shown.')"));
    EXPECT_TRUE(socket->state() == QAbstractSocket::UnconnectedState ||
                socket->waitForDisconnected(5000));
}

}  // namespace
}  // namespace lumenor::test
