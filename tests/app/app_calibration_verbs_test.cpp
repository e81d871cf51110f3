#include <QTcpServer>
#include <QTcpSocket>

#include <cmath>

#include "app/app_fixture.h"
#include "support/patch_protocol.h"

namespace lumenor::test {
namespace {

class CalibrationVerbs : public AppFixture {
  protected:
    // The first session status recorded, once there is one; the record is cleared.
    QString nextStatus() {
        const auto statuses = [this] { return page_.filter(QStringLiteral("calibrationStatus")); };
        EXPECT_TRUE(spinUntil([&] { return !statuses().isEmpty(); }))
            << page_.join('\n').toStdString();
        const QString script = statuses().value(0);
        page_.clear();
        return script;
    }
    verbs::StartCalibration resolveAt(const QTcpServer& program) {
        const QString address = QStringLiteral("127.0.0.1:%1").arg(program.serverPort());
        return {QStringLiteral("resolve"), address, kProjector, {}, {}, {}, {}, {}};
    }
};

QString status(const char* state, int patches, const QString& message = QString()) {
    return pagecalls::calibrationStatus(QLatin1String(state), patches, message);
}

QString refused(const char* why) {
    return status("invalid", 0, QLatin1String(why));
}

// The ended status's message, which ends with what the system said.
QString endedMessage(const QString& script) {
    const QJsonObject status = argumentOf(script, QLatin1String("calibrationStatus"));
    EXPECT_EQ(status[QStringLiteral("state")], QStringLiteral("ended")) << script.toStdString();
    return status[QStringLiteral("message")].toString();
}

TEST_F(CalibrationVerbs, RequestsThatCannotStartSayWhyAndASessionReportsItsCourseAndEnd) {
    AppCore& app = launch();
    const QString peer = QStringLiteral("127.0.0.1:1");
    const QString resolve = QStringLiteral("resolve");
    const std::pair<verbs::StartCalibration, const char*> cases[] = {
        {{QStringLiteral("other"), peer, {}, {}, {}, {}, {}, {}},
         "Choose the program to take patches from."},
        {{resolve, QStringLiteral("host:port:x"), {}, {}, {}, {}, {}, {}},
         "Give the address as HOST or HOST:PORT."},
        {{QStringLiteral("argyll"), QStringLiteral("ftp://127.0.0.1/"), {}, {}, {}, {}, {}, {}},
         "Give an http address, such as http://127.0.0.1:8080."},
        {{resolve, peer, {}, 0.0, {}, {}, {}, {}}, "Window takes a number above 0, up to 100."},
        {{resolve, peer, {}, {}, std::nan(""), {}, {}, {}},
         "Background takes a number from 0 to 255."},
        {{resolve, peer, {}, {}, {}, 30.0, {}, {}},
         "Insert every and insert for go together: give both or neither."},
        {{resolve, peer, {}, {}, {}, 30.0, 61.0, {}},
         "Insert for takes a number above 0, up to 60."},
        // Every value good, but no such display.
        {{resolve, peer, 99, 50.0, 16.0, 30.0, 2.0, 128.0}, "The chosen display is not connected."},
    };
    for (const auto& [request, why] : cases) {
        EXPECT_EQ(run(request), QStringList{refused(why)});
    }

    // A program that cannot be reached ends the session it was asked for.
    QTcpServer program;
    ASSERT_TRUE(program.listen(QHostAddress::LocalHost));
    const verbs::StartCalibration gone = resolveAt(program);
    program.close();
    run(gone);
    page_.clear();
    EXPECT_TRUE(endedMessage(nextStatus())
                    .startsWith(QStringLiteral("Cannot reach %1: ").arg(gone.address)));

    // One that can reports connecting, running and ended with its patch count.
    ASSERT_TRUE(program.listen(QHostAddress::LocalHost));
    verbs::StartCalibration start = resolveAt(program);
    start.window = 10.0;
    // The pattern output on the same display gives way to the patches.
    run(verbs::ShowOutput{true});
    EXPECT_EQ(run(start),
              (QStringList{shown(false), info(false), status("connecting", 0, start.address)}));
    EXPECT_EQ(run(start), QStringList{refused("A session is running: stop it first.")});
    page_.clear();

    ASSERT_TRUE(spinUntil([&] { return program.hasPendingConnections(); }));
    EXPECT_EQ(nextStatus(), status("running", 0));
    program.nextPendingConnection()->write(
        framed(R"(<calibration><color red="255" green="0" blue="0"/></calibration>)"));
    EXPECT_EQ(nextStatus(), status("running", 1));
    // Nothing else goes on the display the patches are on.
    const QStringList held{refused(
        "The patches of a calibration session are on that display: stop the session first.")};
    run(verbs::SelectOutputDisplay{kProjector});
    EXPECT_EQ(run(verbs::ShowOutput{true}), held);
    EXPECT_EQ(run(verbs::IdentifyDisplays{}), held);
    EXPECT_EQ(run(verbs::AutoCycle{true, 2.0}), held + QStringList{cycling(false)});
    run(verbs::StopCalibration{});
    EXPECT_EQ(nextStatus(),
              status("ended", 1,
                     QStringLiteral("Session with %1 ended: stopped from the controller")
                         .arg(start.address)));
    // The output the session took off comes back.
    EXPECT_TRUE(app.state.outputVisible);
    EXPECT_EQ(app.output.currentDisplayID(), kProjector);

    // Over: a new one may start, and its display going ends it.
    EXPECT_EQ(run(start).last(), status("connecting", 0, start.address));
    page_.clear();
    ASSERT_TRUE(spinUntil([&] { return program.hasPendingConnections(); }));
    EXPECT_EQ(nextStatus(), status("running", 0));
    displays_->displays.pop_back();
    displays_->notifyChange();
    EXPECT_TRUE(endedMessage(nextStatus()).endsWith(QStringLiteral("broken: display 2 went away")));
}

}  // namespace
}  // namespace lumenor::test
