#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "support/process.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::runProcess;
using test::XServerTest;

QProcessEnvironment withoutDisplay() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    return env;
}

int lineCount(const QByteArray& text) {
    return static_cast<int>(text.trimmed().count('\n')) + 1;
}

TEST(CommandLine, HelpAndVersion) {
    const auto help = runProcess(lumenorBinary(), {"--help"}, withoutDisplay());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("displays [--json [--watch]]")) << help.out.toStdString();
    const auto version = runProcess(lumenorBinary(), {"--version"}, withoutDisplay());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("lumenor " LUMENOR_VERSION "\n"));
}

TEST(CommandLine, UnknownCommandsAndOptionsGiveUsageAndStatusTwo) {
    for (const QStringList& args :
         {QStringList{"--bogus"}, QStringList{"frobnicate"},
          QStringList{"displays", "--json", "--bogus"}, QStringList{"displays", "--watch"},
          QStringList{"displays", "--json", "extra"}}) {
        const auto r = runProcess(lumenorBinary(), args, withoutDisplay());
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains("usage") || r.err.contains("expected")) << r.err.toStdString();
    }
}

TEST(CommandLine, NoXDisplayIsOneLineAndStatusOne) {
    QProcessEnvironment unreachable = withoutDisplay();
    unreachable.insert("DISPLAY", ":9999");
    for (const QProcessEnvironment& env : {withoutDisplay(), unreachable}) {
        for (const QStringList& args : {QStringList{"displays", "--json"}, QStringList{}}) {
            const auto r = runProcess(lumenorBinary(), args, env);
            EXPECT_FALSE(r.crashed);
            EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
            EXPECT_EQ(lineCount(r.err), 1) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains("X display")) << r.err.toStdString();
        }
    }
}

class CommandLineX : public XServerTest {};

TEST_F(CommandLineX, DisplaysJsonListsEveryHead) {
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    ASSERT_TRUE(x().setPhysicalSize("DUMMY1", 527, 296));
    ASSERT_TRUE(x().setEdidName("DUMMY0", "Studio 27"));
    const auto r = runProcess(lumenorBinary(), {"displays", "--json"}, x().environment());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(lineCount(r.out), 1);
    const QJsonArray list = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(list.size(), 2);

    const QJsonObject a = list[0].toObject();
    EXPECT_EQ(a["id"].toInteger(), static_cast<qint64>(x().outputId("DUMMY0")));
    EXPECT_EQ(a["name"].toString(), "Studio 27");
    EXPECT_EQ(a["isBuiltin"].toBool(true), false);
    EXPECT_EQ(a["currentMode"]["pixelWidth"].toInteger(), 1920);
    EXPECT_EQ(a["currentMode"]["pixelHeight"].toInteger(), 1080);
    EXPECT_EQ(a["currentMode"]["pointWidth"].toInteger(), 1920);
    EXPECT_NEAR(a["currentMode"]["refreshHz"].toDouble(), 60.0, 1e-9);

    const QJsonObject b = list[1].toObject();
    EXPECT_EQ(b["id"].toInteger(), static_cast<qint64>(x().outputId("DUMMY1")));
    EXPECT_EQ(b["name"].toString(), "DUMMY1");
    EXPECT_EQ(b["isBuiltin"].toBool(true), false);
    EXPECT_EQ(b["currentMode"]["pixelWidth"].toInteger(), 1280);
    EXPECT_EQ(b["currentMode"]["pointHeight"].toInteger(), 720);
}

TEST_F(CommandLineX, WatchPrintsALineAfterEachChange) {
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    QProcess watch;
    watch.setProcessEnvironment(x().environment());
    watch.start(lumenorBinary(), {"displays", "--json", "--watch"});
    ASSERT_TRUE(watch.waitForStarted());
    auto nextLine = [&]() -> QJsonArray {
        while (!watch.canReadLine()) {
            if (!watch.waitForReadyRead(10000)) {
                return {};
            }
        }
        return QJsonDocument::fromJson(watch.readLine()).array();
    };
    EXPECT_EQ(nextLine().size(), 2);

    ASSERT_TRUE(x().unplug("DUMMY1"));
    // One xrandr call may make several notifications; each prints the list again.
    QJsonArray latest = nextLine();
    while (latest.size() != 1 && !latest.isEmpty()) {
        latest = nextLine();
    }
    ASSERT_EQ(latest.size(), 1);
    EXPECT_EQ(latest[0].toObject()["id"].toInteger(), static_cast<qint64>(x().outputId("DUMMY0")));

    watch.terminate();
    EXPECT_TRUE(watch.waitForFinished(5000));
}

TEST_F(CommandLineX, IdentifyShowsCardsForTheDurationThenQuits) {
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    QProcess identify;
    identify.setProcessEnvironment(x().environment());
    identify.start(lumenorBinary(), {"identify", "--seconds", "1.5"});
    ASSERT_TRUE(identify.waitForStarted());
    const auto first = x().findWindow("Lumenor identify 1", 5000);
    const auto second = x().findWindow("Lumenor identify 2", 1000);
    ASSERT_TRUE(first && second) << identify.readAllStandardError().toStdString();
    EXPECT_EQ(first->geometry, QRect(0, 0, 1920, 1080));
    EXPECT_EQ(second->geometry, QRect(1920, 0, 1280, 720));
    ASSERT_TRUE(identify.waitForFinished(5000));
    EXPECT_EQ(identify.exitCode(), 0);
}

TEST(CommandLine, IdentifyRejectsABadDuration) {
    for (const char* bad : {"abc", "0", "-1", "nan", "inf"}) {
        const auto r =
            runProcess(lumenorBinary(), {"identify", "--seconds", bad}, withoutDisplay());
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_TRUE(r.err.contains("--seconds")) << r.err.toStdString();
    }
}

}  // namespace
}  // namespace lumenor
