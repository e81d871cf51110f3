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

// Modes tried on DUMMY1 (1280 × 720 at 60 Hz) from the controller page on DUMMY0, the trial
// answered from DUMMY1 and from the phone. What the page does with each answer is the page's
// and the core's tests.
class E2eModes : public LumenorE2E {
  protected:
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

TEST_F(E2eModes, ATrialIsAnsweredFromTheCardOnItsHeadAndFromThePhone) {
    launch();
    ASSERT_TRUE(click(displayItem("DUMMY1") + " .display-pick"));
    ASSERT_NO_FATAL_FAILURE(showOnHead1("grid"));
    const auto remote = switchRemoteOn();
    ASSERT_TRUE(remote);

    ASSERT_NO_FATAL_FAILURE(tryMode("1920x1080_60"));
    const QRegularExpressionMatch state =
        QRegularExpression(R"("trial":\{"display":"DUMMY1","mode":"1920 × 1080 at 60.00 Hz",)"
                           R"("secondsLeft":(\d+)\})")
            .match(QString::fromUtf8(stateFor(remote->port, remote->pin)));
    ASSERT_TRUE(state.hasMatch()) << stateFor(remote->port, remote->pin).toStdString();
    EXPECT_LE(state.captured(1).toInt(), 15);
    const auto card = cardOnHead1();
    ASSERT_TRUE(card) << "no trial card in the middle of DUMMY1";
    const auto output = x().findWindow("Lumenor output", 0);
    ASSERT_TRUE(output);
    EXPECT_TRUE(stackedAbove(card->id, output->id));
    // The count goes down on the head itself.
    QImage first;
    EXPECT_TRUE(waitUntil([&] { return drawn(first = x().capture(card->geometry)); }))
        << "the card is not on the head";
    QThread::msleep(1500);
    EXPECT_NE(x().capture(card->geometry), first) << "the count did not change";

    // Enter on DUMMY1 keeps: the card has the keyboard.
    EXPECT_TRUE(waitForFocus(card->id));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(waitForElement("#modes-note", "el.textContent === 'New mode kept.'"));
    EXPECT_TRUE(cardGone());
    EXPECT_EQ(x().modeOf("DUMMY1"), "1920x1080_60");
    EXPECT_TRUE(waitForFocus(output->id)) << "the keyboard was not given back";
    EXPECT_FALSE(stateFor(remote->port, remote->pin).contains("trial"));

    // Escape there goes back, and leaves the output where it is.
    ASSERT_NO_FATAL_FAILURE(tryMode("1280x720_60"));
    const auto second = cardOnHead1();
    ASSERT_TRUE(second);
    EXPECT_TRUE(waitForFocus(second->id));
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
}

}  // namespace
}  // namespace lumenor::test
