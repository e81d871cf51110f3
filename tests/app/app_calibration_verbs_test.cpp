#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

#include "app/app_fixture.h"

namespace lumenor::test {
namespace {

using CalibrationVerbs = AppCore;

QString refused(const char* why) {
    return pagecalls::calibrationStatus(QStringLiteral("invalid"), 0, QLatin1String(why));
}

QJsonObject statusIn(const QString& script) {
    const QString prefix = QStringLiteral("window.calibrationStatus(");
    EXPECT_TRUE(script.startsWith(prefix) && script.endsWith(QLatin1Char(')')))
        << script.toStdString();
    return QJsonDocument::fromJson(script.mid(prefix.size()).chopped(1).toUtf8()).object();
}

verbs::StartCalibration resolveAt(const QString& address) {
    verbs::StartCalibration v;
    v.program = QStringLiteral("resolve");
    v.address = address;
    return v;
}

// One message of the patch protocol: a big-endian length, then the text.
QByteArray framed(const QByteArray& text) {
    QByteArray out(4, '\0');
    qToBigEndian(static_cast<qint32>(text.size()), out.data());
    return out + text;
}

TEST_F(CalibrationVerbs, RequestsThatCannotStartSayWhyAndStartNothing) {
    launch();
    verbs::StartCalibration unknown = resolveAt(QStringLiteral("127.0.0.1"));
    unknown.program = QStringLiteral("other");
    EXPECT_EQ(run(unknown), QStringList{refused("Choose the program to take patches from.")});
    EXPECT_EQ(run(resolveAt(QStringLiteral("host:port:x"))),
              QStringList{refused("Give the address as HOST or HOST:PORT.")});
    verbs::StartCalibration web = resolveAt(QStringLiteral("ftp://127.0.0.1/"));
    web.program = QStringLiteral("argyll");
    EXPECT_EQ(run(web),
              QStringList{refused("Give an http address, such as http://127.0.0.1:8080.")});

    verbs::StartCalibration values = resolveAt(QStringLiteral("127.0.0.1:1"));
    values.window = 0.0;
    EXPECT_EQ(run(values), QStringList{refused("Window takes a number above 0, up to 100.")});
    values.window = 50.0;
    values.background = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(run(values), QStringList{refused("Background takes a number from 0 to 255.")});
    values.background = 16.0;
    values.insertEvery = 30.0;
    EXPECT_EQ(
        run(values),
        QStringList{refused("Insert every and insert for go together: give both or neither.")});
    values.insertFor = 61.0;
    EXPECT_EQ(run(values), QStringList{refused("Insert for takes a number above 0, up to 60.")});
    values.insertFor = 2.0;
    values.display = 99;
    EXPECT_EQ(run(values), QStringList{refused("The chosen display is not connected.")});
}

TEST_F(CalibrationVerbs, ASessionReportsConnectingRunningAndEndedWithItsPatchCount) {
    launch();
    QTcpServer program;
    ASSERT_TRUE(program.listen(QHostAddress::LocalHost));
    const QString peer = QStringLiteral("127.0.0.1:%1").arg(program.serverPort());
    // The pattern output on the same display gives way to the patches.
    run(verbs::ShowOutput{true});
    verbs::StartCalibration start = resolveAt(peer);
    start.display = kProjector;
    start.window = 10.0;
    EXPECT_EQ(run(start),
              (QStringList{shown(false), info(false),
                           pagecalls::calibrationStatus(QStringLiteral("connecting"), 0, peer)}));
    EXPECT_EQ(run(start), QStringList{refused("A session is running: stop it first.")});
    page_.clear();

    ASSERT_TRUE(spinUntil([&] { return program.hasPendingConnections(); }));
    QTcpSocket* socket = program.nextPendingConnection();
    const auto statuses = [this] { return page_.filter(QStringLiteral("calibrationStatus")); };
    ASSERT_TRUE(spinUntil([&] { return statuses().size() == 1; }))
        << page_.join('\n').toStdString();
    EXPECT_EQ(statuses().front(),
              pagecalls::calibrationStatus(QStringLiteral("running"), 0, QString()));

    page_.clear();
    socket->write(framed(R"(<calibration><color red="255" green="0" blue="0"/></calibration>)"));
    ASSERT_TRUE(spinUntil([&] { return !statuses().isEmpty(); }));
    EXPECT_EQ(statuses().front(),
              pagecalls::calibrationStatus(QStringLiteral("running"), 1, QString()));

    run(verbs::StopCalibration{});
    ASSERT_TRUE(spinUntil([&] { return !statuses().isEmpty(); }));
    const QJsonObject ended = statusIn(statuses().front());
    EXPECT_EQ(ended[QStringLiteral("state")], QStringLiteral("ended"));
    EXPECT_EQ(ended[QStringLiteral("patches")], 1);
    EXPECT_EQ(ended[QStringLiteral("message")],
              QStringLiteral("Session with %1 ended: stopped from the controller").arg(peer));
    // Over: a new one may start.
    EXPECT_EQ(run(start).last(),
              pagecalls::calibrationStatus(QStringLiteral("connecting"), 0, peer));
}

TEST_F(CalibrationVerbs, AProgramThatCannotBeReachedOrADisplayThatGoesEndsTheSession) {
    launch();
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    run(resolveAt(QStringLiteral("127.0.0.1:%1").arg(port)));
    page_.clear();
    ASSERT_TRUE(spinUntil([&] { return !page_.isEmpty(); }));
    const QJsonObject unreachable = statusIn(page_.takeFirst());
    EXPECT_EQ(unreachable[QStringLiteral("state")], QStringLiteral("ended"));
    EXPECT_TRUE(unreachable[QStringLiteral("message")].toString().startsWith(
        QStringLiteral("Cannot reach 127.0.0.1:%1: ").arg(port)));

    QTcpServer program;
    ASSERT_TRUE(program.listen(QHostAddress::LocalHost));
    verbs::StartCalibration start =
        resolveAt(QStringLiteral("127.0.0.1:%1").arg(program.serverPort()));
    start.display = kProjector;
    run(start);
    ASSERT_TRUE(spinUntil([&] { return program.hasPendingConnections(); }));
    page_.clear();
    displays_->displays.pop_back();
    displays_->notifyChange();
    ASSERT_TRUE(
        spinUntil([&] { return page_.filter(QStringLiteral("calibrationStatus")).size() == 1; }));
    const QJsonObject gone = statusIn(page_.filter(QStringLiteral("calibrationStatus")).front());
    EXPECT_EQ(gone[QStringLiteral("state")], QStringLiteral("ended"));
    EXPECT_TRUE(gone[QStringLiteral("message")].toString().endsWith(
        QStringLiteral("broken: display 2 went away")));
}

}  // namespace
}  // namespace lumenor::test
