#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "displays/mode_platform.h"
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

TEST(WaylandWithoutX, SaysWhatLumenorNeeds) {
    QProcessEnvironment env = test::withoutDisplay();
    env.insert("WAYLAND_DISPLAY", "wayland-0");
    const auto r = runProcess(lumenorBinary(), {"displays"}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Lumenor needs X11, Xwayland or GNOME's Wayland"))
        << r.err.toStdString();
}

}  // namespace
}  // namespace lumenor
