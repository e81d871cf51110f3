#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <signal.h>

#include <algorithm>
#include <cerrno>

#include "core/log.h"
#include "displays/display_modes.h"
#include "displays/display_service.h"
#include "displays/revert_coordinator.h"
#include "displays/xrandr_display_platform.h"
#include "displays/xrandr_mode_platform.h"
#include "support/log_capture.h"
#include "support/process.h"
#include "support/wait.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

// The same timings as the test bed's 1920x1080_60 under another name, known to the server but
// offered by no output.
const test::XorgTestbed::Modeline kOffered{
    "1920x1080_nowhere", "148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync"};

class XrandrTest : public test::XServerTest {
  protected:
    std::unique_ptr<XrandrConnection> connect() {
        QString error;
        auto c = XrandrConnection::open(x().displayName().toLocal8Bit().constData(), &error);
        EXPECT_TRUE(c != nullptr) << error.toStdString();
        return c;
    }
    std::unique_ptr<DisplayService> makeService() {
        auto c = connect();
        return c ? std::make_unique<DisplayService>(
                       std::make_unique<XrandrDisplayPlatform>(std::move(c)))
                 : nullptr;
    }
    std::unique_ptr<XrandrModePlatform> makePlatform(
        const QString& guardian = test::lumenorBinary(),
        const QStringList& guardianArgs = {"__mode-guardian"}) {
        auto c = connect();
        return c ? std::make_unique<XrandrModePlatform>(std::move(c), guardian, guardianArgs)
                 : nullptr;
    }

    DisplayId id(const QString& output) { return static_cast<DisplayId>(x().outputId(output)); }

    ModeInfo listed(XrandrModePlatform& p, const QString& output, const QString& modeName) {
        const auto modes = modesForDisplay(p, id(output));
        const auto it = std::find_if(modes.begin(), modes.end(), [&](const ModeInfo& m) {
            return static_cast<unsigned long>(m.id) == x().modeId(modeName);
        });
        EXPECT_TRUE(it != modes.end()) << modeName.toStdString();
        return it != modes.end() ? *it : ModeInfo{};
    }

    bool applyOnSecond(XrandrModePlatform& p, const QString& mode, ConfigureScope scope) {
        return applyDisplayMode(p, id("DUMMY1"), listed(p, "DUMMY1", mode), scope);
    }

    // The helper is let go without waiting for it: it ends soon after.
    bool guardianEnds() {
        return test::waitUntil([&] { return !test::modeGuardianRunning(x().displayName()); }, 3000);
    }

    void plugSecondHead() {
        ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
        ASSERT_EQ(x().head("DUMMY1")->geometry, QRect(1920, 0, 1280, 720));
    }
};

// The refresh rate comes from the modeline, not a rounded figure.
TEST_F(XrandrTest, ListsActiveHeadsWithNamesModesAndSizesOrSaysWhyNot) {
    ASSERT_TRUE(x().setMode("DUMMY0", "1920x1080_59.94"));
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    ASSERT_TRUE(x().setPhysicalSize("DUMMY1", 527, 296));
    ASSERT_TRUE(x().setEdidName("DUMMY1", "Studio 27"));
    auto service = makeService();
    ASSERT_TRUE(service);
    service->refresh();
    const auto& list = service->displays();
    ASSERT_EQ(list.size(), 2u);

    EXPECT_EQ(list[0].id, x().outputId("DUMMY0"));
    EXPECT_EQ(list[0].name, "DUMMY0");
    EXPECT_FALSE(list[0].isBuiltin);
    EXPECT_EQ(list[0].currentMode.pixelWidth, 1920);
    EXPECT_EQ(list[0].currentMode.pixelHeight, 1080);
    EXPECT_NEAR(list[0].currentMode.refreshHz, 148350000.0 / (2200.0 * 1125.0), 1e-9);

    EXPECT_EQ(list[1].id, x().outputId("DUMMY1"));
    EXPECT_EQ(list[1].name, "Studio 27");
    EXPECT_EQ(list[1].currentMode.pixelWidth, 1280);
    EXPECT_EQ(list[1].currentMode.pixelHeight, 720);
    EXPECT_NEAR(list[1].currentMode.refreshHz, 74250000.0 / (1650.0 * 750.0), 1e-9);
    EXPECT_DOUBLE_EQ(list[1].physicalSizeMM.width, 527);
    EXPECT_DOUBLE_EQ(list[1].physicalSizeMM.height, 296);

    // No server gives a reason, not a crash.
    QString error;
    EXPECT_EQ(XrandrConnection::open(":9999", &error), nullptr);
    EXPECT_TRUE(error.contains(":9999")) << error.toStdString();

    // Xwayland 22.1 without its extension, whatever it names its outputs, marks them as
    // emulated: the clue to it that needs no Wayland desktop (a real one is the command line's).
    for (const int marked : {1, 0}) {
        ASSERT_TRUE(x().setOutputInteger("DUMMY0", "RANDR Emulation", marked));
        const auto c = connect();
        ASSERT_TRUE(c != nullptr);
        EXPECT_EQ(c->isXwayland(), marked == 1);
    }
}

TEST_F(XrandrTest, PlugModeChangeUnplugAndANewEdidEachNotify) {
    auto service = makeService();
    ASSERT_TRUE(service);
    std::vector<std::vector<DisplayInfo>> reports;
    service->onChange = [&](const std::vector<DisplayInfo>& l) { reports.push_back(l); };
    service->start();
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_EQ(reports[0].size(), 1u);

    ASSERT_TRUE(x().plug("DUMMY2", "1920x1080_50"));
    ASSERT_TRUE(test::spinUntil([&] { return service->displays().size() == 2; }));
    EXPECT_NEAR(service->displays()[1].currentMode.refreshHz, 50.0, 1e-9);

    const std::size_t before = reports.size();
    ASSERT_TRUE(x().setMode("DUMMY2", "1280x720_60"));
    ASSERT_TRUE(test::spinUntil([&] {
        return service->displays().size() == 2 &&
               service->displays()[1].currentMode.pixelWidth == 1280;
    }));
    EXPECT_GT(reports.size(), before);

    // The change notice of an unplug can be read off the socket by a lookup's answer; the list
    // is rebuilt all the same.
    ASSERT_TRUE(x().unplug("DUMMY2"));
    QThread::msleep(200);  // the notice is waiting on our connection
    (void)service->screenForDisplay(0);
    ASSERT_TRUE(test::spinUntil([&] { return service->displays().size() == 1; }));
    EXPECT_EQ(reports.back().size(), 1u);
    EXPECT_EQ(reports.back()[0].id, x().outputId("DUMMY0"));

    ASSERT_TRUE(x().setEdidName("DUMMY0", "Bench Panel"));
    EXPECT_TRUE(test::spinUntil([&] { return service->displays().at(0).name == "Bench Panel"; }));
}

// The command line's trial tests leave the heads' places and the screen's size to this test.
TEST_F(XrandrTest, AModeChangeResizesTheScreenAndASecondTrialKeepsTheFirstSnapshot) {
    plugSecondHead();
    ASSERT_EQ(x().screenSize(), QSize(3200, 1080));
    auto p = makePlatform();
    ASSERT_TRUE(p);
    ASSERT_TRUE(applyOnSecond(*p, "1920x1080_50", ConfigureScope::permanently));
    EXPECT_EQ(x().modeOf("DUMMY1"), "1920x1080_50");
    EXPECT_EQ(x().head("DUMMY1")->geometry, QRect(1920, 0, 1920, 1080));
    EXPECT_EQ(x().screenSize(), QSize(3840, 1080));
    EXPECT_EQ(p->currentMode(id("DUMMY1"))->id, static_cast<int>(x().modeId("1920x1080_50")));

    ASSERT_TRUE(applyOnSecond(*p, "1280x720_60", ConfigureScope::permanently));
    EXPECT_EQ(x().head("DUMMY1")->geometry, QRect(1920, 0, 1280, 720));
    EXPECT_EQ(x().screenSize(), QSize(3200, 1080));
    EXPECT_EQ(x().head("DUMMY0")->geometry, QRect(0, 0, 1920, 1080));
    EXPECT_EQ(x().modeOf("DUMMY0"), "1920x1080_60");
    EXPECT_TRUE(guardianEnds());

    // Other trials are tried through the command line; here a second one, which must keep the
    // first snapshot for when the platform ends.
    ASSERT_TRUE(applyOnSecond(*p, "1920x1080_60", ConfigureScope::forAppOnly));
    EXPECT_TRUE(p->guardian().running());
    ASSERT_TRUE(applyOnSecond(*p, "1920x1080_50", ConfigureScope::forAppOnly));
    EXPECT_EQ(x().modeOf("DUMMY1"), "1920x1080_50");
    p.reset();
    EXPECT_EQ(x().modeOf("DUMMY1"), "1280x720_60");
    EXPECT_EQ(x().screenSize(), QSize(3200, 1080));
    EXPECT_TRUE(guardianEnds());
}

TEST_F(XrandrTest, AModeTheServerRefusesAnUnpluggedDisplayOrNoGuardianFailsAndChangesNothing) {
    plugSecondHead();
    // Known to the server, not offered by the output: RandR answers the CRTC change with BadMatch.
    ASSERT_TRUE(x().newMode(kOffered));
    ModeInfo refused;
    refused.id = static_cast<std::int32_t>(x().modeId(kOffered.name));
    refused.pixelWidth = 1920;
    refused.pixelHeight = 1080;
    ASSERT_NE(refused.id, 0);
    auto p = makePlatform();
    ASSERT_TRUE(p);
    for (const ConfigureScope scope : {ConfigureScope::forAppOnly, ConfigureScope::permanently}) {
        EXPECT_FALSE(applyDisplayMode(*p, id("DUMMY1"), refused, scope));
        EXPECT_EQ(x().head("DUMMY1")->geometry, QRect(1920, 0, 1280, 720));
        EXPECT_EQ(x().modeOf("DUMMY1"), "1280x720_60");
        // The screen grown for the new layout is shrunk back.
        EXPECT_EQ(x().screenSize(), QSize(3200, 1080));
        EXPECT_FALSE(p->guardian().running());
    }
    // A trial of it through the coordinator is reverted at once.
    test::LogCapture log;
    RevertCoordinator revert(*p);
    std::vector<bool> resolved;
    revert.onResolved = [&](bool kept) { resolved.push_back(kept); };
    revert.begin(refused, listed(*p, "DUMMY1", "1280x720_60"), id("DUMMY1"), 15);
    EXPECT_EQ(resolved, std::vector<bool>{false});
    EXPECT_EQ(x().modeOf("DUMMY1"), "1280x720_60");
    const QString display = QString::number(id("DUMMY1"));
    const QString category = QString::fromLatin1(logDisplay().categoryName()) + ": ";
    EXPECT_EQ(log.lines(),
              QStringList({category + "mode apply failed on display " + display,
                           category + "reverted display " + display + " to 1280x720 @ 60.00 Hz"}));
    EXPECT_EQ(log.types(), (std::vector<QtMsgType>{QtCriticalMsg, QtInfoMsg}));
    // The connection stays usable; an unplugged display takes no mode.
    const ModeInfo full = listed(*p, "DUMMY1", "1920x1080_60");
    EXPECT_TRUE(applyDisplayMode(*p, id("DUMMY1"), full, ConfigureScope::permanently));
    ASSERT_TRUE(x().unplug("DUMMY1"));
    EXPECT_FALSE(applyDisplayMode(*p, id("DUMMY1"), full, ConfigureScope::forAppOnly));
    EXPECT_FALSE(p->currentMode(id("DUMMY1")).has_value());
    EXPECT_FALSE(p->guardian().running());

    // Without a working guardian, one that cannot be started or one that ends without saying
    // it is ready, no app-only mode is applied.
    plugSecondHead();
    for (const QString& program :
         {QStringLiteral("/nonexistent/lumenor"), QStringLiteral("/bin/true")}) {
        const auto unguarded = makePlatform(program, {});
        ASSERT_TRUE(unguarded);
        EXPECT_FALSE(applyOnSecond(*unguarded, "1920x1080_60", ConfigureScope::forAppOnly))
            << program.toStdString();
        EXPECT_EQ(x().modeOf("DUMMY1"), "1280x720_60");
        EXPECT_FALSE(unguarded->guardian().running());
    }
    // A permanent change needs none.
    const auto unguarded = makePlatform(QStringLiteral("/bin/true"), {});
    EXPECT_TRUE(applyOnSecond(*unguarded, "1920x1080_60", ConfigureScope::permanently));
    EXPECT_EQ(x().modeOf("DUMMY1"), "1920x1080_60");
}

TEST_F(XrandrTest, TheGuardianRestoresOnlyWhatItHoldsWhenItsInputEnds) {
    plugSecondHead();
    ASSERT_TRUE(x().plug("DUMMY2", "1280x720_60", "DUMMY1"));
    QProcess guardian;
    guardian.setProcessEnvironment(x().environment());
    guardian.start(test::lumenorBinary(), {"__mode-guardian", x().displayName()});
    ASSERT_TRUE(guardian.waitForStarted());
    ASSERT_TRUE(guardian.waitForReadyRead(10000));
    EXPECT_EQ(guardian.readAll(), "ready\n");
    const unsigned long m720 = x().modeId("1280x720_60");
    const unsigned long m1080 = x().modeId("1920x1080_60");
    const unsigned long m50 = x().modeId("1920x1080_50");
    ASSERT_TRUE(x().setMode("DUMMY1", "1920x1080_60"));
    ASSERT_TRUE(x().setMode("DUMMY2", "1920x1080_60"));
    // DUMMY1 is held and still shows what was applied; DUMMY2 was applied, then changed by
    // someone else; DUMMY0 was held and then forgotten; a malformed line changes nothing.
    guardian.write(QStringLiteral("hold %1 %2 %3\nhold %4 %2 %3\nhold %5 %2 %3\n"
                                  "forget %5\nhold nonsense\n")
                       .arg(x().outputId("DUMMY1"))
                       .arg(m720)
                       .arg(m1080)
                       .arg(x().outputId("DUMMY2"))
                       .arg(x().outputId("DUMMY0"))
                       .toLatin1());
    ASSERT_TRUE(guardian.waitForBytesWritten());
    ASSERT_TRUE(x().setMode("DUMMY2", "1920x1080_50"));
    QThread::msleep(200);
    EXPECT_EQ(x().modeOf("DUMMY1"), "1920x1080_60");
    guardian.closeWriteChannel();
    ASSERT_TRUE(guardian.waitForFinished(2000));
    EXPECT_EQ(guardian.exitCode(), 0);
    EXPECT_EQ(x().modeOf("DUMMY1"), "1280x720_60");
    EXPECT_EQ(x().head("DUMMY2")->modeId, m50);
    EXPECT_EQ(x().modeOf("DUMMY0"), "1920x1080_60");
}

// Letting the helper go after the last trial ends must not hold up the caller, however long
// the helper takes to end, and the ended helper must not linger as a zombie.
TEST(ModeGuardian, LettingTheHelperGoNeitherWaitsNorLeavesAZombie) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pidFile = dir.filePath("pid");
    // A helper that takes six seconds to end once its input closes.
    ModeGuardian guardian(
        "/bin/sh", {"-c", QStringLiteral("echo $$ > '%1'; echo ready; exec sleep 6").arg(pidFile)},
        ":0");
    ASSERT_TRUE(guardian.hold(7, {1, 2}));
    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const pid_t pid = static_cast<pid_t>(file.readAll().trimmed().toInt());
    ASSERT_GT(pid, 0);

    QElapsedTimer t;
    t.start();
    guardian.forget(7);
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_FALSE(guardian.running());

    // Gone for good once it ends: a zombie would still answer signal 0.
    EXPECT_TRUE(test::waitUntil([&] { return ::kill(pid, 0) != 0 && errno == ESRCH; }, 10000));
}

}  // namespace
}  // namespace lumenor
