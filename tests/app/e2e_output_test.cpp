#include <QJsonObject>
#include <QThread>

#include "e2e_fixture.h"
#include "support/process.h"
#include "support/pulse_testbed.h"
#include "support/rendered_pixels.h"
#include "support/signal_analysis.h"
#include "support/system_bus_testbed.h"

namespace lumenor::test {
namespace {

class E2eOutput : public LumenorE2E {
  protected:
    // Clicks the controller page's element `selector` with the real pointer.
    void realClick(const QString& selector) {
        const auto window = x().findWindow(QStringLiteral("Lumenor"));
        ASSERT_TRUE(window.has_value());
        const auto at = page().eval(
            kController,
            QStringLiteral(
                "(() => { const r = document.querySelector('%1').getBoundingClientRect(); "
                "return {x: r.x + r.width / 2, y: r.y + r.height / 2, "
                "w: window.innerWidth, h: window.innerHeight}; })()")
                .arg(selector));
        ASSERT_TRUE(at.has_value()) << page().lastError().toStdString();
        const QJsonObject p = at->toObject();
        // The page fills the window below its menu bar.
        const int left = window->geometry.x() + window->geometry.width() - p["w"].toInt();
        const int top = window->geometry.y() + window->geometry.height() - p["h"].toInt();
        ASSERT_TRUE(
            xdotool({"mousemove", "--sync", QString::number(left + qRound(p["x"].toDouble())),
                     QString::number(top + qRound(p["y"].toDouble())), "click", "1"}));
    }
};

TEST_F(E2eOutput, APatternClickedAndShownIsTheRenderersExactPixelsOnTheOutputHead) {
    launch();
    ASSERT_NO_FATAL_FAILURE(showOnHead1(QStringLiteral("grid")));
    EXPECT_EQ(settle(kHead1, rendered("grid", kHead1.size())), 0);
    ASSERT_TRUE(click(".pattern[data-pattern=\"pluge\"]"));
    EXPECT_EQ(settle(kHead1, rendered("pluge", kHead1.size())), 0);
}

TEST_F(E2eOutput, ShortcutBBlanksButIsTypedIntoTheProfileNameWhileItHasFocus) {
    launch();
    ASSERT_NO_FATAL_FAILURE(showOnHead1(QStringLiteral("grid")));
    ASSERT_NO_FATAL_FAILURE(focusController());
    ASSERT_TRUE(xdotool({"key", "b"}));
    EXPECT_TRUE(waitForPattern("black"));
    EXPECT_EQ(settle(kHead1, rendered("black", kHead1.size())), 0);

    ASSERT_TRUE(click(".pattern[data-pattern=\"grid\"]"));
    ASSERT_TRUE(waitForPattern("grid"));
    ASSERT_NO_FATAL_FAILURE(realClick("#profile-name"));
    ASSERT_TRUE(waitForElement("#profile-name", "document.activeElement === el"));
    ASSERT_TRUE(xdotool({"key", "b"}));
    EXPECT_TRUE(waitForElement("#profile-name", "el.value === 'b'"));
    EXPECT_TRUE(waitForPattern("grid")) << "typing b must not blank the output";
    EXPECT_EQ(settle(kHead1, rendered("grid", kHead1.size())), 0);
}

TEST_F(E2eOutput, CopyReportPutsTheDisplayReportOnTheClipboard) {
    ASSERT_TRUE(x().setPhysicalSize("DUMMY1", 527, 296));
    launch();
    ASSERT_TRUE(click("#copy-report"));
    ASSERT_TRUE(waitForElement("#copy-report-label", "el.textContent === 'Copied ✓'"));
    const ProcessResult clip =
        runProcess("xclip", {"-o", "-selection", "clipboard"}, x().environment());
    ASSERT_EQ(clip.exitCode, 0) << clip.err.toStdString();
    const QString text = QString::fromUtf8(clip.out);
    EXPECT_TRUE(text.startsWith(u"LUMENOR — Display report\n\n• DUMMY0 [external]\n"))
        << clip.out.toStdString();
    EXPECT_TRUE(text.contains(
        u"• DUMMY1 [external]\n  current: 1280×720 px  (1280×720 pt, 1:1) @ 60.00 Hz\n"))
        << clip.out.toStdString();
    EXPECT_TRUE(text.contains(u"\n  dpi:     ~61\n")) << "1280 px over 527 mm";
    const ProcessResult cli = runProcess(lumenorBinary(), {"displays"}, x().environment());
    EXPECT_EQ(clip.out, cli.out) << "the same report as the command line prints";
}

TEST_F(E2eOutput, TheToneChosenInThePageIsHeard) {
    QString error;
    auto pulse = PulseTestbed::start(&error);
    ASSERT_TRUE(pulse) << error.toStdString();
    launch(Options::withEnvironment({QStringLiteral("PULSE_SERVER=") + pulse->serverAddress()}));
    ASSERT_TRUE(click("#audio-signal .seg[data-signal=\"tone\"]"));
    // One-second listening windows until one holds a long unbroken stretch of tone: a loaded
    // machine may let the sound server run dry for a few milliseconds, which it fills with
    // silence.
    constexpr double kRate = 44100;
    constexpr std::size_t kLongEnough = 11025;
    Recording heard;
    Span span;
    for (int window = 0; window < 8 && span.length() < kLongEnough; ++window) {
        ASSERT_TRUE(pulse->startRecording());
        QThread::msleep(1000);
        heard = pulse->stopRecording();
        span = {};
        for (const Span& b : bursts(heard.left, 1e-3f, 4)) {
            span = b.length() > span.length() ? b : span;
        }
    }
    ASSERT_GE(span.length(), kLongEnough) << "no tone in the recording";
    EXPECT_NEAR(zeroCrossingFrequency(heard.left, span, kRate), 1000.0, 1.0);
    EXPECT_NEAR(zeroCrossingFrequency(heard.right, span, kRate), 1000.0, 1.0);
    ASSERT_TRUE(click("#audio-signal .seg[data-signal=\"off\"]"));
}

class E2eWake : public E2eOutput {};

TEST_F(E2eWake, WakingFromSleepPutsTheOutputBackOnItsDisplay) {
    QString error;
    auto bus = SystemBusTestbed::start(&error);
    ASSERT_TRUE(bus) << error.toStdString();
    ASSERT_TRUE(bus->ownLoginManager());
    launch(Options::onSystemBus(bus->address()));
    ASSERT_NO_FATAL_FAILURE(showOnHead1(QStringLiteral("pluge")));

    // What a sleep can do to a window: it is somewhere else on waking.
    const auto output = x().findWindow(QStringLiteral("Lumenor output"));
    ASSERT_TRUE(output.has_value());
    ASSERT_TRUE(xdotool({"windowmove", "--sync", QString::number(output->id), "0", "0"}));
    ASSERT_EQ(x().findWindow(QStringLiteral("Lumenor output"))->geometry.topLeft(), QPoint(0, 0));
    // Lumenor learns of the move on its X connection, which a loaded machine may read after
    // the bus. A key sent after the move and seen in the page means the move was taken in.
    ASSERT_NO_FATAL_FAILURE(focusController());
    ASSERT_TRUE(xdotool({"key", "g"}));
    ASSERT_TRUE(waitForPattern("grid"));
    const QImage grid = rendered("grid", kHead1.size());

    ASSERT_TRUE(bus->sendPrepareForSleep(true));
    ASSERT_TRUE(bus->sendPrepareForSleep(false));
    EXPECT_EQ(settle(kHead1, grid), 0);
    EXPECT_EQ(x().findWindow(QStringLiteral("Lumenor output"))->geometry, kHead1);
}

}  // namespace
}  // namespace lumenor::test
