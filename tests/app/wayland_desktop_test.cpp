#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <csignal>

#include "displays/mode_platform.h"
#include "support/nested_mutter.h"
#include "support/process.h"
#include "support/process_lines.h"
#include "support/rendered_pixels.h"
#include "support/wait.h"
#include "support/weston_testbed.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::runProcess;
using test::waitUntil;

const QByteArray kNote =
    "This is a Wayland session, seen through Xwayland: patterns are exact only where the "
    "desktop does not scale the display.";

class WaylandDesktopCommandLine : public test::WaylandDesktopTest {
  protected:
    static QProcessEnvironment env() { return desktop().environment(); }
    static QString display() { return desktop().displayName(); }
    // The one display's id and its one mode's.
    static std::pair<QString, QString> displayAndMode() {
        const auto r = runProcess(lumenorBinary(), {"displays", "--json"}, env());
        const QJsonArray list = QJsonDocument::fromJson(r.out).array();
        EXPECT_EQ(list.size(), 1) << r.out.toStdString();
        const QString id = QString::number(list[0].toObject()["id"].toInteger());
        const auto modes = runProcess(lumenorBinary(), {"modes", id, "--json"}, env());
        const QJsonArray modeList = QJsonDocument::fromJson(modes.out).array();
        return {id, modeList.isEmpty() ? QString()
                                       : QString::number(modeList[0].toObject()["id"].toInteger())};
    }
};

TEST_F(WaylandDesktopCommandLine, ListsTheRealModeAloneLeavesItAloneSaysWhereItRunsAndShows) {
    const auto [id, mode] = displayAndMode();
    const auto modes = runProcess(lumenorBinary(), {"modes", id}, env());
    ASSERT_EQ(modes.exitCode, 0) << modes.err.toStdString();
    EXPECT_EQ(modes.out.count('\n'), 1) << modes.out.toStdString();
    EXPECT_TRUE(modes.out.startsWith(mode.toUtf8() + "  1920x1080 px  1920x1080 pt  "));
    EXPECT_TRUE(modes.out.endsWith("  current  native\n")) << modes.out.toStdString();
    // The log reaches standard error where there is no journal, as in CI. Each process says
    // it once, however many connections it opens.
    if (!QFile::exists("/run/systemd/journal/socket")) {
        EXPECT_EQ(modes.err.count("the X server is Xwayland"), 1) << modes.err.toStdString();
    }
    // Its one mode cannot be changed, and it says why before a trial or --keep is looked at.
    const auto refused = runProcess(lumenorBinary(), {"set-mode", id, mode}, env());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.isEmpty()) << refused.out.toStdString();
    EXPECT_TRUE(refused.err.endsWith("lumenor: " + modesFixedOnWaylandDesktop().toUtf8() + "\n"))
        << refused.err.toStdString();
    EXPECT_FALSE(test::modeGuardianRunning(display()));

    const auto report = runProcess(lumenorBinary(), {"displays"}, env());
    ASSERT_EQ(report.exitCode, 0) << report.err.toStdString();
    EXPECT_TRUE(report.out.startsWith("LUMENOR \xe2\x80\x94 Display report\n\n" + kNote + "\n\n"))
        << report.out.toStdString();
    // Xwayland's millimetres are made up.
    EXPECT_FALSE(report.out.contains("dpi")) << report.out.toStdString();

    // The output covers the display one to one, and counts no drops.
    const QImage expected = test::rendered("calibration", {1920, 1080});
    QProcess show;
    show.setProcessEnvironment(env());
    show.start(lumenorBinary(), {"show", "calibration", "--seconds", "30"});
    ASSERT_TRUE(show.waitForStarted());
    // The compositor's window manager makes the window full screen a moment after it maps.
    std::optional<test::XorgTestbed::WindowInfo> window;
    test::waitUntil(
        [&] {
            window = test::findWindowOn(display(), "Lumenor output", 100);
            return window && window->geometry == QRect(0, 0, 1920, 1080);
        },
        20000);
    ASSERT_TRUE(window.has_value()) << show.readAllStandardError().toStdString();
    EXPECT_EQ(window->geometry, QRect(0, 0, 1920, 1080));

    // The meter's word comes once, when the first frame is up; no counts follow it.
    std::vector<QByteArray> lines =
        test::readLines(show, 15000, [](const QByteArray&) { return true; });
    const std::vector<QByteArray> after = test::readLines(show, 2500);
    lines.insert(lines.end(), after.begin(), after.end());
    EXPECT_EQ(lines, std::vector<QByteArray>{
                         "frame not measured: refresh timing is not available on this desktop"});
    // A rootless Xwayland's root window has no pixels of its own: the window's are read.
    EXPECT_TRUE(test::waitUntil(
        [&] {
            return test::differing(test::captureWindow(display(), window->id, {0, 0, 1920, 1080}),
                                   expected) == 0;
        },
        8000));
    show.kill();
    show.waitForFinished(5000);
}

const QString k1080p60 = QStringLiteral("1920x1080@60.000");

// The command line on GNOME's Wayland desktop, natively: displays and modes from the
// compositor, and trials through it, the compositor's own state being the truth.
class GnomeWaylandCommandLine : public test::NestedMutterTest {
  protected:
    static QProcessEnvironment env() { return mutter().environment(); }
    static QString current(const char* connector) { return mutter().currentMode(connector); }
    // The number of LVDS2's mode `width`x`height` at `hz`, as `lumenor modes` lists it.
    static QString modeNumber(int width, int height, double hz) {
        const auto r = runProcess(lumenorBinary(), {"modes", "LVDS2", "--json"}, env());
        for (const QJsonValue m : QJsonDocument::fromJson(r.out).array()) {
            const QJsonObject o = m.toObject();
            if (o["pixelWidth"].toInt() == width && o["pixelHeight"].toInt() == height &&
                qAbs(o["refreshHz"].toDouble() - hz) < 0.01) {
                return QString::number(o["id"].toInteger());
            }
        }
        return {};
    }
    static bool noGuardian() {
        return test::processesWithArguments({"__gnome-mode-guardian", mutter().busAddress()})
            .empty();
    }
};

TEST_F(GnomeWaylandCommandLine, ListsTheMonitorsAndTriesModesThatGoBackWhenKilledOrRefused) {
    const auto listed = runProcess(lumenorBinary(), {"displays", "--json"}, env());
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const QJsonArray list = QJsonDocument::fromJson(listed.out).array();
    ASSERT_EQ(list.size(), 2) << listed.out.toStdString();
    for (const QJsonValue d : list) {
        const QJsonObject mode = d.toObject()["currentMode"].toObject();
        EXPECT_EQ(mode["pixelWidth"].toInt(), 1920);
        EXPECT_EQ(mode["refreshHz"].toDouble(), 60.0);
        const QString id = QString::number(d.toObject()["id"].toInteger());
        const auto modes = runProcess(lumenorBinary(), {"modes", id, "--json"}, env());
        EXPECT_EQ(QJsonDocument::fromJson(modes.out).array().size(), 4) << modes.out.toStdString();
    }
    // The same number in every process while the monitor stays.
    EXPECT_EQ(runProcess(lumenorBinary(), {"displays", "--json"}, env()).out, listed.out);

    const auto report = runProcess(lumenorBinary(), {"displays"}, env());
    ASSERT_EQ(report.exitCode, 0) << report.err.toStdString();
    EXPECT_TRUE(report.out.contains("Lumenor runs on it natively")) << report.out.toStdString();
    EXPECT_TRUE(report.out.contains("on LVDS1")) << report.out.toStdString();
    if (!QFile::exists("/run/systemd/journal/socket")) {
        EXPECT_EQ(report.err.count("running on Wayland (GNOME), natively"), 1)
            << report.err.toStdString();
    }

    // A trial counts down and goes back; --keep keeps.
    const QString to720 = modeNumber(1280, 720, 60);
    ASSERT_FALSE(to720.isEmpty());
    QProcess trial;
    trial.setProcessEnvironment(env());
    trial.start(lumenorBinary(), {"set-mode", "LVDS2", to720, "--seconds", "2"});
    EXPECT_TRUE(waitUntil([] { return current("LVDS2") == "1280x720@60.000"; }, 5000));
    EXPECT_EQ(current("LVDS1"), k1080p60) << "the other monitor stays as it is";
    ASSERT_TRUE(trial.waitForFinished(10000));
    EXPECT_EQ(trial.exitCode(), 3);
    EXPECT_EQ(trial.readAllStandardOutput(), "2\n1\n0\n");
    EXPECT_EQ(current("LVDS2"), k1080p60);
    EXPECT_TRUE(noGuardian());

    const auto kept = runProcess(
        lumenorBinary(), {"set-mode", "LVDS2", modeNumber(1920, 1080, 50), "--keep"}, env());
    EXPECT_EQ(kept.exitCode, 0) << kept.err.toStdString();
    EXPECT_EQ(current("LVDS2"), "1920x1080@50.000");
    EXPECT_TRUE(noGuardian());

    // Killed, a trial puts back the mode it found, or the one set since.
    ASSERT_TRUE(mutter().applyModes({{"LVDS1", k1080p60}, {"LVDS2", k1080p60}}));
    for (const bool changedSince : {false, true}) {
        SCOPED_TRACE(changedSince);
        QProcess killed;
        killed.setProcessEnvironment(env());
        killed.start(lumenorBinary(),
                     {"set-mode", "LVDS2", modeNumber(1024, 768, 60), "--seconds", "60"});
        ASSERT_TRUE(waitUntil([] { return current("LVDS2") == "1024x768@60.000"; }, 5000));
        if (changedSince) {
            ASSERT_TRUE(mutter().applyModes({{"LVDS1", k1080p60}, {"LVDS2", "1280x720@60.000"}}));
        }
        ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
        ASSERT_TRUE(killed.waitForFinished(5000));
        const QString expected = changedSince ? "1280x720@60.000" : k1080p60;
        EXPECT_TRUE(waitUntil([&] { return current("LVDS2") == expected; }, 2000))
            << current("LVDS2").toStdString();
        EXPECT_TRUE(waitUntil(noGuardian, 2000));
        QThread::msleep(300);
        EXPECT_EQ(current("LVDS2"), expected);
        ASSERT_TRUE(mutter().applyModes({{"LVDS1", k1080p60}, {"LVDS2", k1080p60}}));
    }
    // At 200 % the compositor refuses 1280 × 720, which would leave too small a desktop: a
    // failure, with no count and nothing changed, on trial or kept.
    ASSERT_TRUE(mutter().applyModes({{"LVDS1", k1080p60}, {"LVDS2", k1080p60}}, {1.0, 2.0}));
    for (const char* how : {"--seconds=5", "--keep"}) {
        const auto r = runProcess(lumenorBinary(),
                                  {"set-mode", "LVDS2", modeNumber(1280, 720, 60), how}, env());
        EXPECT_EQ(r.exitCode, 1) << how << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(
            r.err.endsWith("set-mode: the display refused 1280x720 @ 60.00 Hz; it stays "
                           "as it was\n"))
            << r.err.toStdString();
        EXPECT_EQ(current("LVDS2"), k1080p60);
        EXPECT_EQ(mutter().scale("LVDS2"), 2.0);
        EXPECT_TRUE(waitUntil(noGuardian, 2000));
    }
}

}  // namespace
}  // namespace lumenor
