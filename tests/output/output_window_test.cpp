#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <tuple>

#include "calibration/calibrate_session.h"
#include "output/output_on_x.h"
#include "patterns/pattern.h"
#include "support/process.h"
#include "support/rendered_pixels.h"
#include "support/xorg_testbed.h"

namespace lumenor::test {
namespace {

constexpr int kBannerGoneMs = 3800;  // shown 3 s, then a 0.4 s fade

// Tests that run on a server at depth 24 and again at depth 30, where the output draws and
// presents ten bits a channel. Read back at 8 bits, the patterns are their 8-bit files, but for
// the finer steps of the grey ramps (a code apart) and anti-aliased edges, blended at each
// depth's own precision (up to two codes apart, as in a 16-bit render).
class OutputAtDepth : public OutputOnX, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        useDepth(GetParam());
        OutputOnX::SetUp();
    }
    int settle(const QRect& head, const QImage& expected, int ms = 3000) {
        return test::settle(x(), head, expected, ms, GetParam() == 30 ? 2 : 0);
    }
};

// Text, anti-aliased circles and translucent layers included: every still pattern, cycled
// with the arrow key in one output, covers the chosen head with the rendered file pixel for
// pixel, and the other head is left alone. Up and Down step back and on; Escape closes. The
// patterns with levels between 8-bit codes are said to be rounded once at depth 24, never at 30.
TEST_P(OutputAtDepth, EveryStillPatternOnScreenIsTheRenderedFile) {
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    const QRect a(0, 0, 1920, 1080);
    const QRect b(1920, 0, 1280, 720);
    const QImage before = x().capture(a);
    startShow({rawName(allPatterns().front()), "--display", id("DUMMY1"), "--seconds", "120"});
    QThread::msleep(kBannerGoneMs);
    for (const Pattern p : allPatterns()) {
        if (!isAnimated(p)) {
            EXPECT_EQ(settle(b, rendered(rawName(p), b.size())), 0) << rawName(p).toStdString();
        }
        xdotool({"key", "Right"});
    }
    EXPECT_EQ(differing(x().capture(a), before), 0);
    xdotool({"key", "Up", "Up", "Down"});
    EXPECT_EQ(settle(b, rendered(rawName(allPatterns().back()), b.size())), 0);
    xdotool({"key", "Escape"});
    ASSERT_TRUE(show_.waitForFinished(5000));
    EXPECT_EQ(show_.exitCode(), 0);
    if (logsOnStandardError()) {
        EXPECT_EQ(show_.readAllStandardError().count("rounded to 8 bits"),
                  GetParam() == 24 ? 1 : 0);
    }
}

// Stepping from a moving pattern to a still one, the mirror shows the still one every time,
// with the machine idle and with a core kept busy: the moving pattern's last frame, queued
// for a later refresh than the still frame, must never overtake it.
TEST_F(OutputOnX, AMirrorNeverKeepsTheLastMovingFrame) {
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    startShow({"movingBlock", "--display", id("DUMMY1"), "--mirror", "--seconds", "300"});
    const Pattern still = next(Pattern::movingBlock, -1);
    const QRect mirror(0, 0, 1920, 1080);
    const QImage expected = rendered(rawName(still), mirror.size());
    QThread::msleep(kBannerGoneMs);
    QProcess busy;
    for (int step = 0; step < 160; ++step) {
        if (step == 80) {
            busy.start("sh", {"-c", "while :; do :; done"});
            ASSERT_TRUE(busy.waitForStarted());
        }
        QThread::msleep(40 + (step * 37) % 90);
        xdotool({"key", "Left"});
        EXPECT_EQ(settle(x(), mirror, expected, 2000), 0)
            << "step " << step << ": the mirror kept another frame";
        xdotool({"key", "Right"});
    }
    busy.kill();
    busy.waitForFinished(2000);
}

// Each head switched down and back up, three times over: the output and the mirror cover
// their head at its new size with the pattern drawn for it. The bound is for a redraw that
// comes at all: about 0.3 s here on an idle machine, it may take several times that on a busy
// one.
TEST_P(OutputAtDepth, TheOutputAndAMirrorFollowModeChangesOnTheirHeads) {
    ASSERT_TRUE(x().plug("DUMMY1", "1920x1080_60"));
    const std::vector<std::pair<QString, QImage>> modes = {
        {"1280x720_60", rendered("calibration", {1280, 720})},
        {"1920x1080_60", rendered("calibration", {1920, 1080})}};
    startShow({"calibration", "--display", id("DUMMY0"), "--mirror", "--seconds", "120"});
    QThread::msleep(kBannerGoneMs);
    for (int round = 0; round < 3; ++round) {
        for (const QString head : {"DUMMY0", "DUMMY1"}) {
            for (const auto& [mode, expected] : modes) {
                ASSERT_TRUE(x().setMode(head, mode));
                const std::optional<XorgTestbed::Head> shown = x().head(head);
                ASSERT_TRUE(shown.has_value());
                // The output's own head names its new mode in the banner for a while.
                const int waitMs = (head == QLatin1String("DUMMY0") ? kBannerGoneMs : 0) + 5000;
                EXPECT_EQ(settle(shown->geometry, expected, waitMs), 0)
                    << head.toStdString() << " at " << mode.toStdString() << ", round " << round;
            }
        }
    }
}

// A display that cannot share our memory (one on another machine) still gets the same pixels;
// that such a surface keeps taking frames is the surface's own test. The banner fades after
// three seconds, and the pointer over the output brings it back, but not over a mirror.
class OutputWithoutSharedMemory : public OutputOnX {
  protected:
    static void SetUpTestSuite() { startServer({"-extension", "MIT-SHM"}); }
};

TEST_F(OutputWithoutSharedMemory, ShowsTheRenderedPixelsAndTheBannerUnderThePointer) {
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    startShow({"calibration", "--display", id("DUMMY1"), "--mirror", "--seconds", "30"});
    const QRect mirror(0, 0, 1920, 1080);
    const QRect output(1920, 0, 1280, 720);
    const QRect banner(1920 + (1280 - 460) / 2, 720 - 36 - 40, 460, 40);
    const QImage shown = rendered("calibration", output.size());
    const QImage quiet = shown.copy(banner.translated(-1920, 0));
    QThread::msleep(kBannerGoneMs);
    EXPECT_EQ(settle(x(), mirror, rendered("calibration", mirror.size()), 3000), 0);
    ASSERT_EQ(settle(x(), output, shown, 3000), 0);

    xdotool({"mousemove", "500", "500"});  // over the mirror
    QThread::msleep(500);
    EXPECT_EQ(differing(x().capture(banner), quiet), 0);
    xdotool({"mousemove", "2300", "300"});
    xdotool({"mousemove", "2310", "310"});
    QThread::msleep(500);
    EXPECT_GT(differing(x().capture(banner), quiet), 1000);
    xdotool({"key", "Escape"});
    ASSERT_TRUE(show_.waitForFinished(5000));
    EXPECT_TRUE(show_.readAllStandardError().contains("PutImage"));
}

// The output on a server at depth 30: frames of ten bits a channel, read back exactly.
class TenBitOutput : public OutputOnX {
  protected:
    static void SetUpTestSuite() { startServer({}, 30); }
};

// The displays say so; the HD bars in limited range show their 10-bit codes; a ramp as wide as
// the codes shows each once.
TEST_F(TenBitOutput, TheDisplaysSayTenBitsAndFramesKeepTheirTenBitCodes) {
    const auto r = runProcess(lumenorBinary(), {"displays", "--json"}, x().environment());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray list = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].toObject()["bitsPerChannel"].toInt(), 10);

    startShow({"smpteHdBars", "--range", "limited", "--seconds", "30"});
    QThread::msleep(kBannerGoneMs);
    const QImage head = x().captureDeep(QRect(0, 0, 1920, 1080));
    const std::tuple<int, int, int, const char*> bars[] = {
        {120, 279, 414, "left panel"}, {1800, 279, 414, "right panel"},
        {300, 279, 721, "75 % white"}, {1165, 979, 46, "PLUGE -2 %"},
        {1303, 979, 82, "PLUGE +2 %"}, {1440, 979, 99, "PLUGE +4 %"}};
    for (const auto& [px, py, v, what] : bars) {
        EXPECT_EQ(tenBitsAt(head, px, py), (TenBits{v, v, v})) << what;
    }
    TearDown();

    ASSERT_TRUE(
        x().newMode({"1024x768_60", "65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync"}));
    ASSERT_TRUE(x().setMode("DUMMY0", "1024x768_60"));
    startShow({"gradient", "--seconds", "30"});
    QThread::msleep(kBannerGoneMs);
    const QImage row = x().captureDeep(QRect(0, 100, 1024, 1));
    ASSERT_EQ(row.format(), QImage::Format_RGB30);
    int exact = 0;
    for (int i = 0; i < 1024; ++i) {
        exact += tenBitsAt(row, i, 0) == TenBits{i, i, i} ? 1 : 0;
    }
    EXPECT_EQ(exact, 1024);
}

INSTANTIATE_TEST_SUITE_P(Depth24, OutputAtDepth, ::testing::Values(24));
INSTANTIATE_TEST_SUITE_P(Depth30, OutputAtDepth, ::testing::Values(30));

// All but a missing display are refused before any X display is needed.
TEST_F(OutputOnX, UnknownPatternDisplayOrOptionIsStatusTwo) {
    const std::pair<QStringList, const char*> refused[] = {
        {{"gird"}, "grid, circle"},
        {{"grid", "--display", "12345"}, "12345"},
        {{"grid", "--display", "x"}, nullptr},
        {{"grid", "--seconds", "-1"}, nullptr},
        {{"bounce", "--av-offset", "soon"}, "--av-offset"},
        {{"bounce", "--av-offset", "1500"}, "--av-offset"},
        {{"bounce", "--av-offset", "-1000.5"}, "--av-offset"},
        {{"bounce", "--av-offset", "nan"}, "--av-offset"}};
    for (const auto& [args, says] : refused) {
        const auto r = runProcess(lumenorBinary(), QStringList{"show"} + args,
                                  args.contains("12345") ? x().environment() : withoutDisplay());
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(says == nullptr || r.err.contains(says)) << r.err.toStdString();
    }
}

}  // namespace
}  // namespace lumenor::test
