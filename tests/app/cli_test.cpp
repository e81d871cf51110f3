#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

#include "support/process.h"
#include "support/wait.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::runProcess;
using test::waitUntil;
using test::withoutDisplay;
using test::XServerTest;

int lineCount(const QByteArray& text) {
    return static_cast<int>(text.trimmed().count('\n')) + 1;
}

TEST(CommandLine, HelpUsageErrorsAndNoXDisplay) {
    const auto help = runProcess(lumenorBinary(), {"--help"}, withoutDisplay());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_FALSE(help.out.contains("guardian")) << "the guardian is not a command for people";
    // Each says what it expected, before any X display is needed.
    const std::pair<QStringList, const char*> bad[] = {
        {{"--bogus"}, "'--bogus'"},
        {{"displays", "--json", "--bogus"}, "usage"},
        {{"displays", "--watch"}, "expected"},
        {{"displays", "--json", "extra"}, "expected"},
    };
    for (const auto& [args, says] : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const auto r = runProcess(lumenorBinary(), args, withoutDisplay());
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("lumenor: ") && r.err.contains(says)) << r.err.toStdString();
    }
    for (const char* seconds : {"abc", "0", "nan", "inf"}) {
        const auto r =
            runProcess(lumenorBinary(), {"identify", "--seconds", seconds}, withoutDisplay());
        EXPECT_EQ(r.exitCode, 2) << seconds;
        EXPECT_TRUE(r.err.contains("--seconds")) << r.err.toStdString();
    }
    // With no X display, or one that cannot be reached: one line and status 1.
    QProcessEnvironment unreachable = withoutDisplay();
    unreachable.insert("DISPLAY", ":9999");
    for (const QProcessEnvironment& env : {withoutDisplay(), unreachable}) {
        for (const QStringList& args : {QStringList{"displays", "--json"}, QStringList{}}) {
            const auto r = runProcess(lumenorBinary(), args, env);
            EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
            EXPECT_EQ(lineCount(r.err), 1) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains("X display")) << r.err.toStdString();
        }
    }
    // A Wayland session without one also says what Lumenor needs.
    QProcessEnvironment wayland = withoutDisplay();
    wayland.insert("WAYLAND_DISPLAY", "wayland-0");
    const auto r = runProcess(lumenorBinary(), {"displays"}, wayland);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(lineCount(r.err), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Lumenor needs X11, Xwayland or GNOME's Wayland"))
        << r.err.toStdString();
}

// The commands against the virtual X server: DUMMY0 at 1920 × 1080 and DUMMY1 at 1280 × 720
// right of it. A mode command leaves no file and no guardian behind.
class CommandLineX : public XServerTest {
  protected:
    void SetUp() override {
        XServerTest::SetUp();
        ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
        ASSERT_TRUE(tmp.isValid());
        env = x().environment();
        env.insert("TMPDIR", tmp.path());
        env.insert("XDG_RUNTIME_DIR", tmp.path());
    }
    void TearDown() override {
        EXPECT_TRUE(
            QDir(tmp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            << "files left in the temporary folder";
        EXPECT_TRUE(noGuardian()) << "a guardian process outlived the command";
    }

    QString display1() const { return QString::number(x().outputId("DUMMY1")); }
    QString mode(const QString& name) const { return QString::number(x().modeId(name)); }
    bool noGuardian() const {
        return waitUntil([&] { return !test::modeGuardianRunning(x().displayName()); }, 3000);
    }
    // Starts `lumenor args` (in `e`, by default the temporary folder's) and waits for its first
    // line of output.
    QByteArray start(QProcess& p, const QStringList& args,
                     const QProcessEnvironment& e = {}) const {
        p.setProcessEnvironment(e.isEmpty() ? env : e);
        p.start(lumenorBinary(), args);
        waitUntil(
            [&] {
                p.waitForReadyRead(100);
                return p.canReadLine() || p.state() == QProcess::NotRunning;
            },
            10000);
        return p.readLine();
    }

    QTemporaryDir tmp;
    QProcessEnvironment env;
};

TEST(CommandLine, ARemoteWithoutANetworkInterfaceIsOneLineAndStatusOne) {
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

// The report's layout is its unit table's, and the e2e copy of the report is compared with
// this command's; here, the points of a desktop scaled by two, as Lumenor's own windows see it.
TEST_F(CommandLineX, DisplaysModesIdentifyAndWatchShowWhatLumenorSeesAndTakeAnyNameOfADisplay) {
    QProcessEnvironment scaled = env;
    scaled.insert("QT_SCALE_FACTOR", "2");
    const auto s = runProcess(lumenorBinary(), {"displays"}, scaled);
    ASSERT_EQ(s.exitCode, 0) << s.err.toStdString();
    EXPECT_EQ(s.out.count("\xe2\x80\xa2 DUMMY"), 2) << s.out.toStdString();
    EXPECT_TRUE(QString::fromUtf8(s.out).contains(
        QStringLiteral("  current: 1920\u00d71080 px  (960\u00d7540 pt, scaled) @ 60.00 Hz\n")))
        << s.out.toStdString();

    // A monitor's name is the monitor's to choose: its control characters reach the terminal
    // as visible escapes, in the report and in the JSON (which keeps the name itself).
    const QString odd = QStringLiteral("A\x1b]2;x\a\u009b");
    ASSERT_TRUE(x().setEdidName("DUMMY0", odd));
    const auto report = runProcess(lumenorBinary(), {"displays"}, env);
    ASSERT_EQ(report.exitCode, 0) << report.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(report.out).contains("\u2022 A\\x1b]2;x\\x07\\x9b [external]\n"))
        << report.out.toStdString();
    const auto listed = runProcess(lumenorBinary(), {"displays", "--json"}, env);
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(listed.out).array()[0].toObject()["name"].toString(), odd);
    EXPECT_FALSE(listed.out.contains("\xc2\x9b")) << listed.out.toStdString();

    // Modes, one a line and as JSON.
    const auto text = runProcess(lumenorBinary(), {"modes", display1()}, env);
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const auto json = runProcess(lumenorBinary(), {"modes", display1(), "--json"}, env);
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    // The page's list and the text's, one for one.
    ASSERT_GT(QJsonDocument::fromJson(json.out).array().size(), 5);
    EXPECT_EQ(lineCount(text.out), QJsonDocument::fromJson(json.out).array().size());
    EXPECT_TRUE(text.out.contains(mode("1280x720_60").toUtf8() + "  1280x720 px  1280x720 pt  "
                                                                 "60.00 Hz  current\n"))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(mode("1920x1080_59.94").toUtf8() +
                                  "  1920x1080 px  1920x1080 pt  59.94 Hz\n"));
    EXPECT_TRUE(text.out.startsWith(mode("3840x2160_30").toUtf8() +
                                    "  3840x2160 px  3840x2160 pt  30.00 Hz  native\n"));

    // A display is named by number, connector or monitor name.
    ASSERT_TRUE(x().setEdidName("DUMMY0", "Studio 27"));
    ASSERT_TRUE(x().setEdidName("DUMMY1", "Desk"));
    for (const char* name : {"DUMMY1", "Desk"}) {
        const auto r = runProcess(lumenorBinary(), {"modes", name}, env);
        EXPECT_EQ(r.exitCode, 0) << name << r.err.toStdString();
        EXPECT_EQ(r.out, text.out) << name;
    }
    // Two of one model: the message says how to tell them apart, and nothing is shown.
    ASSERT_TRUE(x().setEdidName("DUMMY0", "Desk"));
    const QString both = QStringLiteral(
                             "'Desk' is the name of 2 displays (%1 on DUMMY0, %2 on DUMMY1): "
                             "give the number or connector of the one meant\n")
                             .arg(x().outputId("DUMMY0"))
                             .arg(x().outputId("DUMMY1"));
    const auto modes = runProcess(lumenorBinary(), {"modes", "Desk"}, env);
    EXPECT_EQ(modes.exitCode, 2);
    EXPECT_EQ(QString::fromUtf8(modes.err), "lumenor: " + both);
    const auto show = runProcess(lumenorBinary(), {"show", "grey50", "--display", "Desk"}, env);
    EXPECT_EQ(show.exitCode, 2);
    EXPECT_EQ(QString::fromUtf8(show.err), "lumenor: show: " + both);

    // Identify shows its cards for the time asked, then quits; where they go, and how long they
    // stay, is the identifier's own test.
    QProcess identify;
    identify.setProcessEnvironment(x().environment());
    identify.start(lumenorBinary(), {"identify", "--seconds", "1.5"});
    EXPECT_TRUE(x().findWindow("Lumenor identify 2", 5000));
    ASSERT_TRUE(identify.waitForFinished(5000));
    EXPECT_EQ(identify.exitCode(), 0);

    QProcess watch;
    EXPECT_EQ(
        QJsonDocument::fromJson(start(watch, {"displays", "--json", "--watch"}, x().environment()))
            .array()
            .size(),
        2);
    ASSERT_TRUE(x().unplug("DUMMY1"));
    // One xrandr call may make several notifications; each prints the list again.
    QJsonArray latest;
    while (latest.size() != 1 && (watch.canReadLine() || watch.waitForReadyRead(10000))) {
        latest = watch.canReadLine() ? QJsonDocument::fromJson(watch.readLine()).array() : latest;
    }
    ASSERT_EQ(latest.size(), 1);
    EXPECT_EQ(latest[0].toObject()["id"].toInteger(), static_cast<qint64>(x().outputId("DUMMY0")));
    watch.terminate();
    EXPECT_TRUE(watch.waitForFinished(5000));
}

// Bad arguments say why, exit with 2 and touch nothing. The count to 0 and its status 3 are
// GnomeWaylandCommandLine's.
TEST_F(CommandLineX, SetModeRefusesBadArgumentsKeepsOnEnterOrKeepAndEndsATrialAnyOtherWay) {
    ASSERT_TRUE(x().newMode(
        {"1920x1080_unoffered", "148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync"}));
    const QString good = mode("1920x1080_60");
    // An unknown option is the parser's, refused alike by every command (HelpUsageErrors);
    // modes refusing a display it cannot tell is the listing test's.
    for (const QStringList& args :
         {QStringList{"set-mode", display1()}, QStringList{"set-mode", display1(), good, "extra"},
          QStringList{"set-mode", "999999", good},
          QStringList{"set-mode", display1(), mode("1920x1080_unoffered")},
          QStringList{"set-mode", display1(), good, "--seconds", "0"},
          QStringList{"set-mode", display1(), good, "--seconds", "5", "--keep"},
          QStringList{"modes", display1(), "extra"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const auto r = runProcess(lumenorBinary(), args, env);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.startsWith("lumenor: ")) << r.err.toStdString();
        EXPECT_EQ(x().modeOf("DUMMY1"), "1280x720_60");
    }

    QProcess entered;
    EXPECT_EQ(start(entered, {"set-mode", display1(), mode("1920x1080_59.94")}), "15\n");
    entered.write("\n");
    ASSERT_TRUE(entered.waitForFinished(10000));
    EXPECT_EQ(entered.exitCode(), 0);
    EXPECT_TRUE(entered.readAllStandardError().contains(
        "lumenor: set-mode: Enter keeps 1920x1080 @ 59.94 Hz; Ctrl-C goes back to 1280x720 @ "
        "60.00 Hz\n"));
    ASSERT_TRUE(noGuardian());
    // Nothing puts it back once the command is gone.
    QThread::msleep(300);
    EXPECT_EQ(x().modeOf("DUMMY1"), "1920x1080_59.94");

    const auto kept =
        runProcess(lumenorBinary(), {"set-mode", display1(), mode("1920x1080_50"), "--keep"}, env);
    EXPECT_EQ(kept.exitCode, 0) << kept.err.toStdString();
    EXPECT_TRUE(kept.out.isEmpty()) << "applied at once, without a trial";
    EXPECT_EQ(x().modeOf("DUMMY1"), "1920x1080_50");
    EXPECT_EQ(x().modeOf("DUMMY0"), "1920x1080_60");

    // Any other end of a trial puts the mode back, or ends it with the display.
    ASSERT_TRUE(x().setMode("DUMMY1", "1280x720_60"));
    // How fast it is put back after a kill is measured by mode_restore_benchmark.
    for (const int sig : {SIGKILL, SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        QProcess trial;
        ASSERT_FALSE(start(trial, {"set-mode", display1(), mode("1920x1080_60"), "--seconds", "60"})
                         .isEmpty());
        ASSERT_EQ(x().modeOf("DUMMY1"), "1920x1080_60");
        ::kill(static_cast<pid_t>(trial.processId()), sig);
        ASSERT_TRUE(trial.waitForFinished(sig == SIGKILL ? 5000 : 2000));
        if (sig == SIGKILL) {
            EXPECT_TRUE(waitUntil([&] { return x().modeOf("DUMMY1") == "1280x720_60"; }, 10000));
        } else {
            EXPECT_EQ(trial.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(trial.exitCode(), 3);
            EXPECT_EQ(x().modeOf("DUMMY1"), "1280x720_60");
        }
        EXPECT_TRUE(noGuardian());
        EXPECT_EQ(x().modeOf("DUMMY0"), "1920x1080_60");
    }
    // Unplugging the display ends it at once.
    QProcess unplugged;
    ASSERT_FALSE(start(unplugged, {"set-mode", display1(), mode("1920x1080_60"), "--seconds", "60"})
                     .isEmpty());
    ASSERT_TRUE(x().unplug("DUMMY1"));
    ASSERT_TRUE(unplugged.waitForFinished(3000));
    EXPECT_EQ(unplugged.exitCode(), 3);
    EXPECT_EQ(unplugged.readAllStandardOutput(), "");
    EXPECT_EQ(x().modeOf("DUMMY0"), "1920x1080_60");
}

}  // namespace
}  // namespace lumenor
