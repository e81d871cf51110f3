#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include "e2e_fixture.h"
#include "support/process.h"

namespace lumenor::test {
namespace {

class E2eFirstLaunch : public LumenorE2E {
  protected:
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

TEST_F(E2eFirstLaunch, QuitOnTheAgreementEndsLumenorWithNoOtherWindow) {
    launch(Options::firstRun());
    ASSERT_TRUE(agreementAlone());
    EXPECT_TRUE(x().findWindow(QStringLiteral("Lumenor Licence Agreement"), 0).has_value());
    EXPECT_FALSE(x().findWindow(QStringLiteral("Lumenor"), 0).has_value());
    // A second start while the first waits for the decision asks nothing of its own; it
    // hands the keyboard back to the agreement.
    ASSERT_TRUE(dropKeyboardFocus());
    const ProcessResult second = runProcess(lumenorBinary(), {}, environment(), 20000);
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(page().pageUrls().size(), 1);
    QString focused;
    ASSERT_TRUE(xdotool({"getwindowfocus"}, &focused));
    EXPECT_EQ(focused.toULong(), x().findWindow("Lumenor Licence Agreement", 0)->id);

    ASSERT_TRUE(clickInAgreement(QStringLiteral("quit")));
    ASSERT_TRUE(app().waitForFinished(15000));
    EXPECT_EQ(app().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app().exitCode(), 0);
    EXPECT_FALSE(QFile::exists(dataFolder() + "/agreement.json")) << "nothing was agreed to";
    EXPECT_TRUE(waitForNoProcesses());
}

TEST_F(E2eFirstLaunch, AgreeOpensTheControllerAndTheNextLaunchDoesNotAskAgain) {
    launch(Options::firstRun());
    ASSERT_TRUE(agreementAlone());
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    ASSERT_TRUE(clickInAgreement(QStringLiteral("agree")));
    ASSERT_TRUE(page().waitFor(
        kController, QStringLiteral("document.querySelectorAll('#display-list li').length === 2"),
        30000))
        << page().lastError().toStdString();
    // With no frame saved yet, the controller window opens at its default size.
    const auto window = x().findWindow(QStringLiteral("Lumenor"));
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(window->geometry.size(), QSize(1200, 800));

    QFile file(dataFolder() + "/agreement.json");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject acceptance = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(acceptance["version"].toString(), "1");
    EXPECT_GE(acceptance["acceptedAt"].toInteger(), before);
    EXPECT_LE(acceptance["acceptedAt"].toInteger(), QDateTime::currentSecsSinceEpoch());

    ASSERT_TRUE(closeController());
    launch();  // waits for the controller page, which comes first now
    EXPECT_FALSE(page().pageUrls().join(' ').contains(kAgreement));
}

// A second start of lumenor while one runs with its output up, on DUMMY1.
class E2eSession : public LumenorE2E {
  protected:
    void SetUp() override {
        LumenorE2E::SetUp();
        ASSERT_NO_FATAL_FAILURE(launch());
        ASSERT_NO_FATAL_FAILURE(showOnHead1(QStringLiteral("grid")));
        auto c = x().findWindow(QStringLiteral("Lumenor"));
        auto o = x().findWindow(QStringLiteral("Lumenor output"));
        ASSERT_TRUE(c && o);
        controller = c->id;
        output = o->id;
    }
    void startSecond() {
        const ProcessResult second = runProcess(lumenorBinary(), {}, environment(), 20000);
        ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    }

    unsigned long controller = 0;
    unsigned long output = 0;
};

TEST_F(E2eSession, ASecondLumenorRaisesTheFirstAndExits) {
    // The operator went on to the output window: it is on top.
    ASSERT_TRUE(xdotool({"windowraise", QString::number(output)}));
    ASSERT_TRUE(stackedAbove(output, controller));
    ASSERT_NO_FATAL_FAILURE(startSecond());
    EXPECT_TRUE(stackedAbove(controller, output)) << "the controller window is raised";
    EXPECT_EQ(app().state(), QProcess::Running);
    EXPECT_EQ(page().pageUrls().size(), 1) << "no second controller page";
}

TEST_F(E2eSession, ASecondLumenorGivesTheFirstControllerTheKeyboard) {
    ASSERT_TRUE(xdotool({"windowfocus", "--sync", QString::number(output)}));
    ASSERT_NO_FATAL_FAILURE(startSecond());
    QString focused;
    ASSERT_TRUE(xdotool({"getwindowfocus"}, &focused));
    EXPECT_EQ(focused.toULong(), controller) << "typing goes to the raised controller";
}

class E2eShutdown : public LumenorE2E {};

TEST_F(E2eShutdown, ClosingTheControllerEndsLumenorAndEveryHelper) {
    launch();
    // The output shown and a mode on trial, with its guardian process.
    ASSERT_NO_FATAL_FAILURE(showOnHead1(QStringLiteral("smpte")));
    ASSERT_TRUE(click(displayItem("DUMMY1") + " .display-pick"));
    const QString mode = QString::number(x().modeId("1920x1080_60"));
    ASSERT_TRUE(waitForElement(QStringLiteral("#mode-list button[data-mode-id=\"%1\"]").arg(mode),
                               "!el.disabled"));
    ASSERT_TRUE(click(QStringLiteral("#mode-list button[data-mode-id=\"%1\"]").arg(mode)));
    ASSERT_TRUE(waitForMode("DUMMY1", "1920x1080_60"));
    ASSERT_FALSE(processesWithArguments({"__mode-guardian", x().displayName()}).empty());

    ASSERT_TRUE(closeController());
    EXPECT_TRUE(waitForNoProcesses()) << "a helper outlived lumenor";
    EXPECT_TRUE(waitForMode("DUMMY1", "1280x720_60")) << "the mode on trial was not put back";
}

TEST_F(E2eShutdown, CtrlQInThePageQuitsLumenor) {
    launch();
    ASSERT_NO_FATAL_FAILURE(showOnHead1(QStringLiteral("grid")));
    ASSERT_NO_FATAL_FAILURE(focusController());
    ASSERT_TRUE(xdotool({"key", "ctrl+q"}));
    ASSERT_TRUE(app().waitForFinished(15000)) << "the menu's key did not reach it";
    EXPECT_EQ(app().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app().exitCode(), 0);
    EXPECT_TRUE(waitForNoProcesses());
}

}  // namespace
}  // namespace lumenor::test
