#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>

#include "support/e2e_fixture.h"
#include "support/phone_client.h"
#include "support/process.h"
#include "support/wait.h"

namespace lumenor::test {
namespace {

class E2eFirstLaunch : public LumenorE2E {
  protected:
    static constexpr const char* kAgreement = "EULA.html";

    // Waits for the agreement page in gate mode; true when it is the only page open.
    bool agreementAlone() {
        if (!page().waitFor(kAgreement,
                            QStringLiteral("document.readyState === 'complete' && "
                                           "!document.getElementById('agree').hidden"),
                            30000)) {
            ADD_FAILURE() << page().lastError().toStdString();
            return false;
        }
        const QStringList urls = page().pageUrls();
        EXPECT_EQ(urls.size(), 1) << urls.join(' ').toStdString();
        return urls.size() == 1;
    }
    bool clickInAgreement(const QString& id) {
        // Later, so that the answer gets out before the click closes the page.
        const bool ran = page().run(
            kAgreement,
            QStringLiteral("setTimeout(() => document.getElementById('%1').click(), 0)").arg(id));
        EXPECT_TRUE(ran) << page().lastError().toStdString();
        return ran;
    }

    static QString rateButton(const QString& mode) {
        return QStringLiteral("#mode-list button[data-mode-id=\"%1\"]").arg(x().modeId(mode));
    }
    // Clicks `mode` in the list and waits for the head to show it and the page to count.
    void tryMode(const QString& mode) {
        ASSERT_TRUE(waitForElement(rateButton(mode), "!el.disabled"));
        ASSERT_TRUE(click(rateButton(mode)));
        ASSERT_TRUE(waitForMode("DUMMY1", mode));
        ASSERT_TRUE(waitForElement("#trial", "!el.hidden"));
    }

    // The card of the trial answered on DUMMY1.
    static constexpr const char* kCard = "Lumenor mode trial";

    // The card once it sits in the middle of DUMMY1 as the head now is.
    std::optional<XorgTestbed::WindowInfo> cardOnHead1() {
        std::optional<XorgTestbed::WindowInfo> card;
        const bool centred = waitUntil([&] {
            card = x().findWindow(kCard, 0);
            const auto head = x().head("DUMMY1");
            return card && head && head->geometry.contains(card->geometry) &&
                   (card->geometry.center() - head->geometry.center()).manhattanLength() < 4;
        });
        return centred ? card : std::nullopt;
    }
    bool cardGone() {
        return waitUntil([&] { return !x().findWindow(kCard, 0); });
    }
    // Waits until `window` has the keyboard.
    bool waitForFocus(unsigned long window) {
        QString id;
        return waitUntil(
            [&] { return xdotool({"getwindowfocus"}, &id) && id == QString::number(window); },
            3000);
    }
};

// True once `card` shows the card drawn whole: its iris border on all four sides, looked for
// a few pixels either way of the window's edges.
bool drawn(const QImage& card) {
    const int w = card.width();
    const int h = card.height();
    // A point just inside each edge, and the step across that edge.
    const std::pair<QPoint, QPoint> edges[] = {{{1, h / 2}, {1, 0}},
                                               {{w - 2, h / 2}, {1, 0}},
                                               {{w / 4, 1}, {0, 1}},
                                               {{w / 4, h - 2}, {0, 1}}};
    return std::all_of(std::begin(edges), std::end(edges), [&](const auto& edge) {
        const auto iris = [&](int k) {
            const QPoint p = edge.first + k * edge.second;
            return card.valid(p) && (card.pixel(p) & 0xFFFFFF) == 0x8C7CF7;
        };
        return iris(-1) || iris(0) || iris(1);
    });
}

TEST_F(E2eFirstLaunch, TheAgreementASecondStartAndATrialAnsweredOnItsHeadThePhoneOrByClosing) {
    launch({}, false);
    ASSERT_TRUE(agreementAlone());
    EXPECT_TRUE(x().findWindow(QStringLiteral("Lumenor Licence Agreement"), 0).has_value());
    // A second start while the first waits for the decision asks nothing of its own; it
    // hands the keyboard back to the agreement.
    ASSERT_TRUE(dropKeyboardFocus());
    const ProcessResult meanwhile = runProcess(lumenorBinary(), {}, environment(), 20000);
    EXPECT_EQ(meanwhile.exitCode, 0) << meanwhile.err.toStdString();
    EXPECT_FALSE((meanwhile.out + meanwhile.err).contains("already running"))
        << "pipes are no terminal";
    EXPECT_EQ(page().pageUrls().size(), 1);
    QString focused;
    ASSERT_TRUE(xdotool({"getwindowfocus"}, &focused));
    EXPECT_EQ(focused.toULong(), x().findWindow("Lumenor Licence Agreement", 0)->id);

    ASSERT_TRUE(clickInAgreement(QStringLiteral("quit")));
    EXPECT_TRUE(endedCleanly());
    EXPECT_FALSE(QFile::exists(dataFolder() + "/agreement.json")) << "nothing was agreed to";
    EXPECT_TRUE(waitForNoProcesses());

    // Agreed once, the controller opens and Ctrl-Q quits; the next launch asks nothing, a
    // second start raises it, and closing it ends every helper and puts a mode on trial back.
    launch({}, false);
    ASSERT_TRUE(agreementAlone());
    ASSERT_TRUE(clickInAgreement(QStringLiteral("agree")));
    ASSERT_TRUE(controllerShown());
    // With no frame saved yet, the controller window opens at its default size.
    const auto window = x().findWindow(QStringLiteral("Lumenor"));
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(window->geometry.size(), QSize(1200, 800));
    // What the record holds is checked with the onboarding store; here, that it is kept.
    EXPECT_TRUE(QFile::exists(dataFolder() + "/agreement.json"));
    ASSERT_NO_FATAL_FAILURE(focusController());
    ASSERT_TRUE(xdotool({"key", "ctrl+q"}));
    EXPECT_TRUE(endedCleanly()) << "the menu's key did not reach it";
    EXPECT_TRUE(waitForNoProcesses());

    launch();  // waits for the controller page, which comes first now
    ASSERT_NO_FATAL_FAILURE(showOnHead1(QStringLiteral("smpte")));
    const auto c = x().findWindow(QStringLiteral("Lumenor"));
    const auto o = x().findWindow(QStringLiteral("Lumenor output"));
    ASSERT_TRUE(c && o);
    const unsigned long controller = c->id;
    const unsigned long output = o->id;
    // The operator went on to the output window: it is on top, with the keyboard.
    ASSERT_TRUE(xdotool({"windowraise", QString::number(output)}));
    ASSERT_TRUE(xdotool({"windowfocus", "--sync", QString::number(output)}));
    ASSERT_TRUE(stackedAbove(output, controller));
    const ProcessResult second = runOnTerminal(lumenorBinary(), {}, environment(), 20000);
    ASSERT_EQ(second.exitCode, 0) << second.out.toStdString();
    EXPECT_TRUE(second.out.contains(
        "lumenor: Lumenor is already running; its window was brought to the front\r\n"))
        << second.out.toStdString();
    EXPECT_TRUE(stackedAbove(controller, output)) << "the controller window is raised";
    ASSERT_TRUE(xdotool({"getwindowfocus"}, &focused));
    EXPECT_EQ(focused.toULong(), controller) << "typing goes to the raised controller";
    EXPECT_EQ(page().pageUrls().size(), 1) << "no second controller page";

    // Modes tried on DUMMY1 from the page on DUMMY0, the trial answered from DUMMY1 and from the
    // phone. What the page does with each answer is the page's and the core's tests.
    ASSERT_TRUE(click(displayItem("DUMMY1") + " .display-pick"));
    const auto remote = switchRemoteOn();
    ASSERT_TRUE(remote);
    // The keyboard is on the output when the trial begins, and goes back there once answered.
    ASSERT_TRUE(xdotool({"windowfocus", "--sync", QString::number(output)}));
    ASSERT_NO_FATAL_FAILURE(tryMode("1920x1080_60"));
    const QRegularExpressionMatch state =
        QRegularExpression(R"("trial":\{"display":"DUMMY1","mode":"1920 × 1080 at 60.00 Hz",)"
                           R"("secondsLeft":(\d+)\})")
            .match(QString::fromUtf8(stateFor(remote->port, remote->pin)));
    ASSERT_TRUE(state.hasMatch()) << stateFor(remote->port, remote->pin).toStdString();
    EXPECT_LE(state.captured(1).toInt(), 15);
    const auto card = cardOnHead1();
    ASSERT_TRUE(card) << "no trial card in the middle of DUMMY1";
    EXPECT_TRUE(stackedAbove(card->id, output));
    // The count goes down on the head itself.
    QImage first;
    EXPECT_TRUE(waitUntil([&] { return drawn(first = x().capture(card->geometry)); }))
        << "the card is not on the head";
    QThread::msleep(1500);
    EXPECT_NE(x().capture(card->geometry), first) << "the count did not change";

    // Enter on DUMMY1 keeps: the card has the keyboard.
    EXPECT_TRUE(waitForFocus(card->id));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(cardGone());
    EXPECT_EQ(x().modeOf("DUMMY1"), "1920x1080_60");
    EXPECT_TRUE(waitForFocus(output)) << "the keyboard was not given back";
    EXPECT_FALSE(stateFor(remote->port, remote->pin).contains("trial"));

    // Escape there goes back, and leaves the output where it is.
    ASSERT_NO_FATAL_FAILURE(tryMode("1280x720_60"));
    const auto again = cardOnHead1();
    ASSERT_TRUE(again);
    EXPECT_TRUE(waitForFocus(again->id));
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    EXPECT_TRUE(waitForMode("DUMMY1", "1920x1080_60"));
    EXPECT_TRUE(cardGone());
    EXPECT_TRUE(x().findWindow("Lumenor output", 0)) << "Escape reached the output";

    // Revert, tapped on the phone's page; its Keep is the same post (RemoteCommands).
    ASSERT_NO_FATAL_FAILURE(tryMode("1280x720_60"));
    const QJsonObject tapped = phonePage(remote->address, "Revert now");
    EXPECT_EQ(tapped["flashed"].toArray(), QJsonArray{"Revert now"});
    EXPECT_TRUE(waitForMode("DUMMY1", "1920x1080_60"));
    EXPECT_TRUE(cardGone());

    // A mode on trial, with its guardian process, when the controller is closed.
    ASSERT_NO_FATAL_FAILURE(tryMode("1280x720_60"));
    ASSERT_TRUE(modeGuardianRunning(x().displayName()));
    ASSERT_TRUE(closeController());
    EXPECT_TRUE(waitForNoProcesses()) << "a helper outlived lumenor";
    EXPECT_TRUE(waitForMode("DUMMY1", "1920x1080_60")) << "the mode on trial was not put back";
}

}  // namespace
}  // namespace lumenor::test
