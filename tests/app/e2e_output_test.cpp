#include <QThread>

#include "e2e_fixture.h"
#include "support/process.h"
#include "support/pulse_testbed.h"
#include "support/rendered_pixels.h"
#include "support/signal_analysis.h"
#include "support/system_bus_testbed.h"

namespace lumenor::test {
namespace {

using E2eOutput = LumenorE2E;

TEST_F(E2eOutput, APatternShownIsTheRenderersExactPixelsUntilTheOutputIsClosedOrUnplugged) {
    launch();
    ASSERT_NO_FATAL_FAILURE(showOnHead1(QStringLiteral("grid")));
    EXPECT_EQ(settle(kHead1, rendered("grid", kHead1.size())), 0);
    ASSERT_TRUE(click(".pattern[data-pattern=\"pluge\"]"));
    EXPECT_EQ(settle(kHead1, rendered("pluge", kHead1.size())), 0);

    // Closed by the window manager (Alt+F4), the output is hidden and the page says so; shown
    // again, it comes back without the info card that went with it.
    ASSERT_TRUE(click("#info-toggle"));
    const auto output = x().findWindow(QStringLiteral("Lumenor output"));
    ASSERT_TRUE(output.has_value());
    ASSERT_TRUE(x().requestClose(output->id));
    EXPECT_TRUE(waitForElement("#output-toggle", "el.getAttribute('aria-pressed') === 'false'"));
    EXPECT_TRUE(waitForElement("#info-toggle", "el.getAttribute('aria-pressed') === 'false'"));
    ASSERT_TRUE(click("#output-toggle"));
    EXPECT_TRUE(waitForElement("#output-toggle", "el.getAttribute('aria-pressed') === 'true'"));
    EXPECT_EQ(settle(kHead1, rendered("pluge", kHead1.size())), 0);

    // Unplugged, the head leaves the page's list and takes the output down with it.
    ASSERT_TRUE(x().unplug(QStringLiteral("DUMMY1")));
    EXPECT_TRUE(waitForElement("#display-list", "el.querySelectorAll('li').length === 1"));
    EXPECT_TRUE(waitForElement("#output-toggle", "el.getAttribute('aria-pressed') === 'false'"));
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
    ASSERT_TRUE(onElement("#profile-name", "el.focus()"));
    ASSERT_TRUE(waitForElement("#profile-name", "document.activeElement === el"));
    ASSERT_TRUE(xdotool({"key", "b"}));
    EXPECT_TRUE(waitForElement("#profile-name", "el.value === 'b'"));
    EXPECT_TRUE(waitForPattern("grid")) << "typing b must not blank the output";
    EXPECT_EQ(settle(kHead1, rendered("grid", kHead1.size())), 0);

    // Escape leaves the field, and b is a shortcut again.
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    ASSERT_TRUE(waitForElement("#profile-name", "document.activeElement !== el"));
    ASSERT_TRUE(xdotool({"key", "b"}));
    EXPECT_TRUE(waitForPattern("black"));
    EXPECT_TRUE(waitForElement("#profile-name", "el.value === 'b'"));
}

// The report's text itself is checked against the command line's.
TEST_F(E2eOutput, CopyReportPutsTheDisplayReportOnTheClipboard) {
    ASSERT_TRUE(x().setPhysicalSize("DUMMY1", 527, 296));
    launch();
    ASSERT_TRUE(click("#copy-report"));
    ASSERT_TRUE(waitForElement("#copy-report-label", "el.textContent === 'Copied ✓'"));
    const ProcessResult clip =
        runProcess("xclip", {"-o", "-selection", "clipboard"}, x().environment());
    ASSERT_EQ(clip.exitCode, 0) << clip.err.toStdString();
    EXPECT_TRUE(clip.out.contains("\n  dpi:     ~61\n")) << clip.out.toStdString();
    const ProcessResult cli = runProcess(lumenorBinary(), {"displays"}, x().environment());
    EXPECT_EQ(clip.out, cli.out) << "the same report as the command line prints";
}

TEST_F(E2eOutput, TheToneChosenInThePageIsHeard) {
    QString error;
    auto pulse = PulseTestbed::start(&error);
    ASSERT_TRUE(pulse) << error.toStdString();
    launch({QStringLiteral("PULSE_SERVER=") + pulse->serverAddress()});
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

TEST_F(E2eOutput, WakingFromSleepPutsTheOutputBackOnItsDisplay) {
    QString error;
    auto bus = SystemBusTestbed::start(&error);
    ASSERT_TRUE(bus) << error.toStdString();
    ASSERT_TRUE(bus->ownLoginManager());
    launch({"DBUS_SYSTEM_BUS_ADDRESS=" + bus->address()});
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

// Which display the controller is on is the desktop's to say; what the core does with it, and
// how the chosen displays outlast a restart, are the core's display tests.
TEST_F(E2eOutput, WithNothingChosenTheOutputGoesBesideTheController) {
    launch();
    ASSERT_TRUE(click(".pattern[data-pattern=\"grid\"]"));
    ASSERT_TRUE(waitForPattern("grid"));
    ASSERT_TRUE(click("#output-toggle"));
    EXPECT_EQ(settle(kHead1, renderedWith({"grid"}, kHead1.size())), 0);
    EXPECT_TRUE(waitForElement(displayItem("DUMMY1"), "el.classList.contains('is-output')"));
}

}  // namespace
}  // namespace lumenor::test
