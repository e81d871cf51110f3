#include <QFile>

#include "support/e2e_fixture.h"
#include "support/process.h"

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
};

TEST_F(E2eFirstLaunch, QuitOnTheAgreementEndsLumenorAndAgreeingOpensTheControllerForGood) {
    launch({}, false);
    ASSERT_TRUE(agreementAlone());
    EXPECT_TRUE(x().findWindow(QStringLiteral("Lumenor Licence Agreement"), 0).has_value());
    EXPECT_FALSE(x().findWindow(QStringLiteral("Lumenor"), 0).has_value());
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
    EXPECT_FALSE(page().pageUrls().join(' ').contains(kAgreement));
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
    EXPECT_EQ(app().state(), QProcess::Running);
    EXPECT_EQ(page().pageUrls().size(), 1) << "no second controller page";

    // A mode on trial, with its guardian process, when the controller is closed.
    ASSERT_TRUE(click(displayItem("DUMMY1") + " .display-pick"));
    const QString mode =
        QStringLiteral("#mode-list button[data-mode-id=\"%1\"]").arg(x().modeId("1920x1080_60"));
    ASSERT_TRUE(waitForElement(mode, "!el.disabled"));
    ASSERT_TRUE(click(mode));
    ASSERT_TRUE(waitForMode("DUMMY1", "1920x1080_60"));
    ASSERT_TRUE(modeGuardianRunning(x().displayName()));
    ASSERT_TRUE(closeController());
    EXPECT_TRUE(waitForNoProcesses()) << "a helper outlived lumenor";
    EXPECT_TRUE(waitForMode("DUMMY1", "1280x720_60")) << "the mode on trial was not put back";
}

}  // namespace
}  // namespace lumenor::test
