#include <gtest/gtest.h>

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "support/e2e_fixture.h"
#include "support/nested_mutter.h"
#include "support/patch_protocol.h"
#include "support/process.h"
#include "support/rendered_pixels.h"
#include "support/wait.h"

namespace lumenor::test {
namespace {

// The bounds of the pixels of `now` that differ from `bare`: what lies over the desktop.
QRect overDesktop(const QImage& now, const QImage& bare) {
    QRect bounds;
    for (int y = 0; y < now.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(now.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(bare.constScanLine(y));
        for (int x = 0; x < now.width(); ++x) {
            // The background's pixels vary by a little from one drawing to the next.
            if (std::abs(qRed(a[x]) - qRed(b[x])) > 16 ||
                std::abs(qGreen(a[x]) - qGreen(b[x])) > 16 ||
                std::abs(qBlue(a[x]) - qBlue(b[x])) > 16) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

// The desktop application as a native client of GNOME's Wayland desktop, driven through its
// own controller page.
class E2eGnome : public NestedMutterTest, protected LumenorRun {
  protected:
    void TearDown() override { stop(); }
    void launch() { start(mutter().environment(), {}, true); }

    // Real input on the host X server, which the nested desktop takes as its own seat's.
    static bool xdotool(const QStringList& args) {
        return runProcess("xdotool", args, x().environment()).exitCode == 0;
    }
    // Puts the pointer at `p` on the nested desktop. The compositor takes no motion from a
    // warp of the host's pointer with no button down, so the last pixel is a relative step.
    static bool pointTo(QPoint p) {
        const auto window = mutter().window();
        return window && xdotool({"mousemove", QString::number(window->geometry.x() + p.x() - 1),
                                  QString::number(window->geometry.y() + p.y()),
                                  "mousemove_relative", "1", "0"});
    }
    static bool key(const QString& keys) {
        const auto window = mutter().window();
        return window && xdotool({"windowfocus", "--sync", QString::number(window->id)}) &&
               xdotool({"key", keys});
    }
    // Whether the Settings window is up with the keyboard (or down, with `shown` false).
    bool waitForSettings(bool shown) {
        return page().waitFor("preferences.html",
                              shown
                                  ? "document.visibilityState === 'visible' && document.hasFocus()"
                                  : "document.visibilityState === 'hidden'");
    }
};

// Natively, not through an X server: the bed has none for it.
TEST_F(E2eGnome, SettingsASecondStartTheClipboardACalibrationAndATrialWorkNatively) {
    QTcpServer program;
    ASSERT_TRUE(program.listen(QHostAddress::LocalHost));
    ASSERT_NO_FATAL_FAILURE(launch());
    // A key sent before the controller has the keyboard would go nowhere.
    ASSERT_TRUE(waitFor("document.hasFocus()"));
    // Settings opens from the menu's shortcut and closes with Escape as the compositor delivers
    // the keys; Ctrl+W closes it alike (WebWindows).
    ASSERT_TRUE(key("ctrl+comma"));
    ASSERT_TRUE(waitForSettings(true));
    ASSERT_TRUE(key("Escape"));
    EXPECT_TRUE(waitForSettings(false));
    EXPECT_TRUE(waitFor("document.hasFocus()")) << "the controller has the keyboard back";

    // A second start while Settings has the keyboard hands over and ends; the controller
    // comes to the front with the keyboard, its one page still its only one.
    ASSERT_TRUE(key("ctrl+comma"));
    ASSERT_TRUE(waitForSettings(true));
    const ProcessResult second = runProcess(lumenorBinary(), {}, environment(), 20000);
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(waitFor("document.hasFocus()"));
    EXPECT_TRUE(page().waitFor("preferences.html", "!document.hasFocus()"));
    EXPECT_EQ(page().pageUrls().filter("controller.html").size(), 1);
    // While another application has the keyboard, the compositor moves it only against the
    // token that application, as a launcher, got for a key press and gave the second start.
    QProcess launcher;
    launcher.setProcessEnvironment(mutter().environment());
    launcher.start(ACTIVATION_TOKEN_CLIENT, {});
    ASSERT_TRUE(waitFor("!document.hasFocus()")) << "the launcher's window has the keyboard";
    ASSERT_TRUE(key("space"));
    ASSERT_TRUE(launcher.waitForReadyRead(5000)) << launcher.readAllStandardError().toStdString();
    QProcessEnvironment launched = environment();
    launched.insert("XDG_ACTIVATION_TOKEN", QString::fromLatin1(launcher.readLine().trimmed()));
    EXPECT_EQ(runProcess(lumenorBinary(), {}, launched, 20000).exitCode, 0);
    EXPECT_TRUE(waitFor("document.hasFocus()"));
    launcher.closeWriteChannel();
    EXPECT_TRUE(launcher.waitForFinished(5000));

    // The report copied in the page is on the compositor's clipboard for another client; its
    // text is GnomeWaylandCommandLine's.
    ASSERT_TRUE(click("#copy-report"));
    ASSERT_TRUE(waitForElement("#copy-report-label", "el.textContent === 'Copied ✓'"));
    const ProcessResult clip = runProcess("wl-paste", {"--no-newline"}, mutter().environment());
    ASSERT_EQ(clip.exitCode, 0) << clip.err.toStdString();
    EXPECT_EQ(clip.out, runProcess(lumenorBinary(), {"displays"}, environment()).out);

    // LVDS2, listed last, takes the output.
    const QString lvds2Item = QStringLiteral("#display-list li:last-child");
    ASSERT_TRUE(click(lvds2Item + " .tally"));
    ASSERT_TRUE(click(".pattern[data-pattern=\"grid\"]"));
    ASSERT_TRUE(click("#output-toggle"));
    const QRect lvds2(1920, 0, 1920, 1080);
    EXPECT_EQ(settle(mutter(), lvds2, rendered("grid", lvds2.size())), 0);

    // Shown again, the output's window has a new surface for its frames to go over.
    ASSERT_TRUE(click("#output-toggle"));
    ASSERT_TRUE(waitForElement("#output-toggle", "el.getAttribute('aria-pressed') === 'false'"));
    ASSERT_TRUE(click(".pattern[data-pattern=\"smpte\"]"));
    ASSERT_TRUE(click("#output-toggle"));
    EXPECT_EQ(settle(mutter(), lvds2, rendered("smpte", lvds2.size())), 0);

    // A session started in the page takes the monitor from the output.
    ASSERT_TRUE(onElement("#calibration-address",
                          QStringLiteral("el.value = '127.0.0.1:%1'").arg(program.serverPort())));
    ASSERT_TRUE(onElement("#calibration-display",
                          "el.value = document.querySelector('" + lvds2Item + "').dataset.id"));
    ASSERT_TRUE(click("#calibration-start"));
    ASSERT_TRUE(program.waitForNewConnection(15000));
    QTcpSocket* socket = program.nextPendingConnection();
    ASSERT_TRUE(waitForElement("#calibration-status", "el.textContent.startsWith('Running')"));
    // A box in the monitor's middle over a background of its own; the messages' other forms are
    // CalibrationStreams'.
    socket->write(framed(R"(<calibration><color red="255" green="128" blue="1"/>)"
                         R"(<background red="20" green="20" blue="20"/>)"
                         R"(<geometry x="0.25" y="0.25" cx="0.5" cy="0.5"/></calibration>)"));
    ASSERT_TRUE(socket->waitForBytesWritten(5000));
    QImage expected(lvds2.size(), QImage::Format_RGB32);
    expected.fill(qRgb(20, 20, 20));
    for (int y = 270; y < 810; ++y) {
        std::fill_n(reinterpret_cast<QRgb*>(expected.scanLine(y)) + 480, 960, qRgb(255, 128, 1));
    }
    EXPECT_EQ(settle(mutter(), lvds2, expected), 0);
    ASSERT_TRUE(click("#calibration-stop"));
    EXPECT_TRUE(waitForElement("#calibration-status",
                               "el.textContent.startsWith('Ended after 1 patch shown.')"));

    // A trial from the page counts down and reverts. The count itself, the other monitor left
    // alone and a mode the compositor refuses are GnomeWaylandCommandLine's; what the page makes
    // of them, the core's and the page's tests.
    ASSERT_TRUE(click(lvds2Item + " .display-pick"));
    const QString button = QStringLiteral("#mode-list button[aria-label^=\"1280 × 720 at\"]");
    ASSERT_TRUE(waitForElement(button, "!el.disabled"));
    ASSERT_TRUE(click(button));
    EXPECT_TRUE(waitUntil([] { return mutter().currentMode("LVDS2") == "1280x720@60.000"; }, 10000))
        << mutter().currentMode("LVDS2").toStdString();
    EXPECT_TRUE(waitForElement("#trial", "!el.hidden"));
    EXPECT_TRUE(waitForElement("#trial", "el.hidden", 20000));
    EXPECT_EQ(mutter().currentMode("LVDS2"), "1920x1080@60.000");
}

TEST_F(E2eGnome, TheControllersTitleStripMovesItsWindow) {
    const QRect lvds1(0, 0, 1920, 1080);
    // The desktop bare but for the pointer, once the compositor has drawn it in LVDS1's middle,
    // which the controller, opening there under it, covers wherever it is put and once moved.
    const QRect middle(lvds1.center(), QSize(16, 16));
    const QImage noPointer = mutter().capture(middle);
    ASSERT_TRUE(pointTo(middle.topLeft()));
    ASSERT_TRUE(
        waitUntil([&] { return overDesktop(mutter().capture(middle), noPointer).isValid(); }));
    const QImage bare = mutter().capture(lvds1);
    ASSERT_NO_FATAL_FAILURE(launch());
    const auto controller = [&] { return overDesktop(mutter().capture(lvds1), bare); };
    // The compositor grows a new window into place.
    QRect before;
    int still = 0;
    ASSERT_TRUE(waitUntil([&] {
        const QRect now = controller();
        still = now == std::exchange(before, now) ? still + 1 : 0;
        return still >= 5;
    }));
    // Halfway down the strip, which tops the page: the page's height up from the window's
    // bottom edge (the frame's own edge there is a few pixels), below the frame's title bar.
    const std::optional<QJsonValue> pageHeight =
        page().eval("controller.html", "window.innerHeight");
    ASSERT_TRUE(pageHeight);
    const QPoint press(before.left() + 300, before.bottom() + 1 - pageHeight->toInt() + 28);
    ASSERT_TRUE(pointTo(press));
    ASSERT_TRUE(xdotool({"mousedown", "1"}));
    // The compositor moves the window only once the application has asked it to, a moment
    // after the press: the pointer goes on stepping a pixel until the window follows it.
    const QPoint by(200, 100);
    bool followed = false;
    for (int i = 0; i < 20 && !followed; ++i) {
        const QPoint at = press + by + QPoint(i % 2, 0);
        ASSERT_TRUE(pointTo(at));
        followed = waitUntil([&] { return controller() == before.translated(at - press); }, 500);
    }
    ASSERT_TRUE(xdotool({"mouseup", "1"}));
    EXPECT_TRUE(followed) << "the controller is at " << controller().x() << "," << controller().y()
                          << ", it was at " << before.x() << "," << before.y();
}

}  // namespace
}  // namespace lumenor::test
