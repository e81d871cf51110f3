#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

#include "support/process.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::runProcess;
using test::XServerTest;

TEST(ModesHelp, HelpNamesTheModeCommands) {
    const auto help = runProcess(lumenorBinary(), {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("modes DISPLAY [--json]")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("set-mode DISPLAY MODE [--seconds N] [--keep]"));
    // The guardian is not a command for people.
    EXPECT_FALSE(help.out.contains("guardian"));
}

class ModesCommandLine : public XServerTest {
  protected:
    void SetUp() override {
        XServerTest::SetUp();
        ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
        ASSERT_TRUE(tmp.isValid());
        env = x().environment();
        // Anything the trial left behind in the usual places would show up here.
        env.insert("TMPDIR", tmp.path());
        env.insert("XDG_RUNTIME_DIR", tmp.path());
    }
    void TearDown() override {
        EXPECT_TRUE(
            QDir(tmp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            << "files left in the temporary folder";
        EXPECT_FALSE(guardianAlive()) << "a guardian process outlived the command";
    }

    QString display1() const { return QString::number(x().outputId("DUMMY1")); }
    QString mode(const QString& name) const { return QString::number(x().modeId(name)); }
    QString modeOf(const QString& output) const {
        const auto h = x().head(output);
        return h ? h->mode : QString();
    }
    bool guardianAlive() const {
        return !test::processesWithArguments({"__mode-guardian", x().displayName()}).empty();
    }
    // Milliseconds until `output` shows `mode`, or -1 after `timeoutMs`.
    qint64 waitForMode(const QString& output, const QString& name, int timeoutMs = 3000) const {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (modeOf(output) == name) {
                return t.elapsed();
            }
            QThread::msleep(10);
        }
        return -1;
    }
    bool waitForNoGuardian(int timeoutMs = 3000) const {
        QElapsedTimer t;
        t.start();
        while (guardianAlive() && t.elapsed() < timeoutMs) {
            QThread::msleep(20);
        }
        return !guardianAlive();
    }

    // A trial running in the background; `firstCount` waits for its first count line.
    struct Trial {
        QProcess process;
        QByteArray out;
        bool nextLine(QByteArray* line, int timeoutMs = 10000) {
            QElapsedTimer t;
            t.start();
            while (!process.canReadLine()) {
                if (t.elapsed() > timeoutMs || !process.waitForReadyRead(500)) {
                    if (t.elapsed() > timeoutMs || process.state() == QProcess::NotRunning) {
                        return false;
                    }
                }
            }
            *line = process.readLine();
            out += *line;
            return true;
        }
    };
    std::unique_ptr<Trial> startTrial(const QStringList& args) {
        auto trial = std::make_unique<Trial>();
        trial->process.setProcessEnvironment(env);
        trial->process.start(lumenorBinary(), QStringList{"set-mode"} + args);
        EXPECT_TRUE(trial->process.waitForStarted());
        return trial;
    }

    QTemporaryDir tmp;
    QProcessEnvironment env;
};

TEST_F(ModesCommandLine, ListsOneModeALineAndTheJsonThePageGets) {
    const auto text = runProcess(lumenorBinary(), {"modes", display1()}, env);
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const auto json = runProcess(lumenorBinary(), {"modes", display1(), "--json"}, env);
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonArray list = QJsonDocument::fromJson(json.out).array();
    const QList<QByteArray> lines = text.out.trimmed().split('\n');
    ASSERT_GT(list.size(), 5);
    ASSERT_EQ(lines.size(), list.size());
    for (int i = 0; i < list.size(); ++i) {
        const QJsonObject m = list[i].toObject();
        QString expected = QStringLiteral("%1  %2x%3 px  %4x%5 pt  %6 Hz")
                               .arg(m["id"].toInteger())
                               .arg(m["pixelWidth"].toInteger())
                               .arg(m["pixelHeight"].toInteger())
                               .arg(m["pointWidth"].toInteger())
                               .arg(m["pointHeight"].toInteger())
                               .arg(m["refreshHz"].toDouble(), 0, 'f', 2);
        if (m["isCurrent"].toBool()) {
            expected += "  current";
        }
        if (m["isNative"].toBool()) {
            expected += "  native";
        }
        EXPECT_EQ(QString::fromUtf8(lines[i]), expected);
    }
    const QString current = QString::fromUtf8(lines.front());
    EXPECT_TRUE(text.out.contains(mode("1280x720_60").toUtf8() + "  1280x720 px  1280x720 pt  "
                                                                 "60.00 Hz  current\n"))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(mode("1920x1080_59.94").toUtf8() +
                                  "  1920x1080 px  1920x1080 pt  59.94 Hz\n"));
    EXPECT_TRUE(text.out.contains(mode("3840x2160_30").toUtf8() +
                                  "  3840x2160 px  3840x2160 pt  30.00 Hz  native\n"));
    EXPECT_TRUE(current.startsWith(mode("3840x2160_30")));
}

TEST_F(ModesCommandLine, DisplaysPrintsTheReport) {
    ASSERT_TRUE(x().setPhysicalSize("DUMMY1", 527, 296));
    const auto r = runProcess(lumenorBinary(), {"displays"}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("LUMENOR \u2014 Display report\n\n"
                             "\u2022 DUMMY0 [external]\n"
                             "  current: 1920\u00d71080 px  (1920\u00d71080 pt, 1:1) @ 60.00 Hz\n"
                             "  native:  3840\u00d72160 px\n\n"
                             "\u2022 DUMMY1 [external]\n"
                             "  current: 1280\u00d7720 px  (1280\u00d7720 pt, 1:1) @ 60.00 Hz\n"
                             "  native:  3840\u00d72160 px\n"
                             "  dpi:     ~61\n"));

    // On a desktop scaled by two, as Lumenor's own windows see it.
    QProcessEnvironment scaled = env;
    scaled.insert("QT_SCALE_FACTOR", "2");
    const auto s = runProcess(lumenorBinary(), {"displays"}, scaled);
    ASSERT_EQ(s.exitCode, 0) << s.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(s.out).contains(
        QStringLiteral("  current: 1920\u00d71080 px  (960\u00d7540 pt, scaled) @ 60.00 Hz\n")))
        << s.out.toStdString();
}

TEST_F(ModesCommandLine, BadArgumentsSayWhyExitTwoAndTouchNothing) {
    ASSERT_TRUE(x().newMode(
        {"1920x1080_unoffered", "148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync"}));
    const QString good = mode("1920x1080_60");
    for (const QStringList& args :
         {QStringList{"set-mode"}, QStringList{"set-mode", display1()},
          QStringList{"set-mode", display1(), good, "extra"},
          QStringList{"set-mode", "999999", good}, QStringList{"set-mode", "DUMMY1", good},
          QStringList{"set-mode", display1(), "123456"},
          QStringList{"set-mode", display1(), mode("1920x1080_unoffered")},
          QStringList{"set-mode", display1(), "sixty"},
          QStringList{"set-mode", display1(), good, "--seconds", "0"},
          QStringList{"set-mode", display1(), good, "--seconds", "ten"},
          QStringList{"set-mode", display1(), good, "--seconds", "5", "--keep"},
          QStringList{"set-mode", display1(), good, "--bogus"}, QStringList{"modes"},
          QStringList{"modes", "424242"}, QStringList{"modes", display1(), "extra"}}) {
        const auto r = runProcess(lumenorBinary(), args, env);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.startsWith("lumenor: ")) << r.err.toStdString();
        EXPECT_EQ(modeOf("DUMMY1"), "1280x720_60") << args.join(' ').toStdString();
        EXPECT_EQ(modeOf("DUMMY0"), "1920x1080_60");
    }
}

TEST_F(ModesCommandLine, TheTrialCountsDownAndReverts) {
    auto trial = startTrial({display1(), mode("1920x1080_60"), "--seconds", "2"});
    QByteArray line;
    ASSERT_TRUE(trial->nextLine(&line));
    EXPECT_EQ(line, "2\n");
    EXPECT_EQ(modeOf("DUMMY1"), "1920x1080_60");
    EXPECT_EQ(x().head("DUMMY1")->geometry, QRect(1920, 0, 1920, 1080));
    // The other head keeps its mode and place.
    EXPECT_EQ(x().head("DUMMY0")->geometry, QRect(0, 0, 1920, 1080));
    EXPECT_EQ(modeOf("DUMMY0"), "1920x1080_60");
    ASSERT_TRUE(trial->process.waitForFinished(10000));
    trial->out += trial->process.readAllStandardOutput();
    EXPECT_EQ(trial->out, "2\n1\n0\n");
    EXPECT_EQ(trial->process.exitCode(), 3);
    EXPECT_EQ(modeOf("DUMMY1"), "1280x720_60");
    EXPECT_EQ(x().screenSize(), QSize(3200, 1080));
    EXPECT_TRUE(waitForNoGuardian());
}

TEST_F(ModesCommandLine, EnterKeepsTheModeForGood) {
    auto trial = startTrial({display1(), mode("1920x1080_59.94")});
    QByteArray line;
    ASSERT_TRUE(trial->nextLine(&line));
    EXPECT_EQ(line, "15\n");
    trial->process.write("\n");
    ASSERT_TRUE(trial->process.waitForFinished(10000));
    EXPECT_EQ(trial->process.exitCode(), 0);
    EXPECT_TRUE(waitForNoGuardian());
    // Nothing puts it back once the command is gone.
    QThread::msleep(300);
    EXPECT_EQ(modeOf("DUMMY1"), "1920x1080_59.94");
}

TEST_F(ModesCommandLine, KeepAppliesAtOnceWithoutATrial) {
    const auto r =
        runProcess(lumenorBinary(), {"set-mode", display1(), mode("1920x1080_50"), "--keep"}, env);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(modeOf("DUMMY1"), "1920x1080_50");
    EXPECT_EQ(modeOf("DUMMY0"), "1920x1080_60");
}

TEST_F(ModesCommandLine, KillingTheTrialPutsTheModeBack) {
    auto trial = startTrial({display1(), mode("1920x1080_60"), "--seconds", "60"});
    QByteArray line;
    ASSERT_TRUE(trial->nextLine(&line));
    ASSERT_EQ(modeOf("DUMMY1"), "1920x1080_60");
    ::kill(static_cast<pid_t>(trial->process.processId()), SIGKILL);
    // How fast is measured by mode_restore_benchmark.
    EXPECT_GE(waitForMode("DUMMY1", "1280x720_60", 10000), 0) << "the mode was not put back";
    trial->process.waitForFinished(5000);
    EXPECT_EQ(trial->process.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(waitForNoGuardian());
    EXPECT_EQ(modeOf("DUMMY0"), "1920x1080_60");
}

TEST_F(ModesCommandLine, InterruptingOrTerminatingTheTrialRevertsIt) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        auto trial = startTrial({display1(), mode("1920x1080_60"), "--seconds", "60"});
        QByteArray line;
        ASSERT_TRUE(trial->nextLine(&line));
        ASSERT_EQ(modeOf("DUMMY1"), "1920x1080_60");
        ::kill(static_cast<pid_t>(trial->process.processId()), sig);
        ASSERT_TRUE(trial->process.waitForFinished(2000)) << sig;
        EXPECT_EQ(trial->process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(trial->process.exitCode(), 3) << sig;
        EXPECT_EQ(modeOf("DUMMY1"), "1280x720_60") << sig;
        EXPECT_TRUE(waitForNoGuardian());
    }
}

TEST_F(ModesCommandLine, UnpluggingTheDisplayEndsTheTrialAtOnce) {
    auto trial = startTrial({display1(), mode("1920x1080_60"), "--seconds", "60"});
    QByteArray line;
    ASSERT_TRUE(trial->nextLine(&line));
    ASSERT_TRUE(x().unplug("DUMMY1"));
    ASSERT_TRUE(trial->process.waitForFinished(3000));
    EXPECT_EQ(trial->process.exitCode(), 3);
    EXPECT_EQ(trial->process.readAllStandardOutput(), "");
    EXPECT_TRUE(waitForNoGuardian());
    EXPECT_FALSE(x().head("DUMMY1").has_value());
    EXPECT_EQ(modeOf("DUMMY0"), "1920x1080_60");
}

}  // namespace
}  // namespace lumenor
