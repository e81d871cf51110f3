#include <csignal>

#include "e2e_fixture.h"
#include "support/process.h"

namespace lumenor::test {
namespace {

// Modes tried on DUMMY1 (1280 × 720 at 60 Hz) from the controller page.
class E2eModes : public LumenorE2E {
  protected:
    void SetUp() override {
        LumenorE2E::SetUp();
        ASSERT_NO_FATAL_FAILURE(launch());
        ASSERT_TRUE(click(displayItem("DUMMY1") + " .display-pick"));
        ASSERT_TRUE(waitForElement(rateButton(), "!el.disabled"));
    }
    static QString rateButton(const QString& mode = QStringLiteral("1920x1080_60")) {
        return QStringLiteral("#mode-list button[data-mode-id=\"%1\"]").arg(x().modeId(mode));
    }
    // Clicks 1920 × 1080 at 60 Hz and waits for the head to show it and the page to count.
    void tryMode() {
        ASSERT_TRUE(click(rateButton()));
        ASSERT_TRUE(waitForMode("DUMMY1", "1920x1080_60"));
        ASSERT_TRUE(waitForElement("#trial", "!el.hidden"));
    }
};

TEST_F(E2eModes, ATrialCountsDownInThePageAndRevertsByItself) {
    ASSERT_NO_FATAL_FAILURE(tryMode());
    EXPECT_TRUE(waitForElement("#trial-seconds", "Number(el.textContent) <= 13", 5000))
        << "the page counts the seconds down";
    EXPECT_TRUE(waitForElement("#trial", "el.hidden", 20000));
    EXPECT_TRUE(waitForMode("DUMMY1", "1280x720_60", 5000));
    EXPECT_TRUE(waitForElement("#modes-note", "el.textContent === 'Previous mode restored.'"));
}

TEST_F(E2eModes, AKeptModeStaysAfterLumenorEnds) {
    ASSERT_NO_FATAL_FAILURE(tryMode());
    ASSERT_TRUE(click("#trial-keep"));
    ASSERT_TRUE(waitForElement("#trial", "el.hidden"));
    EXPECT_TRUE(waitForElement("#modes-note", "el.textContent === 'New mode kept.'"));
    // Even an end without any goodbye leaves a kept mode alone.
    ::kill(static_cast<pid_t>(app().processId()), SIGKILL);
    ASSERT_TRUE(app().waitForFinished(10000));
    EXPECT_TRUE(waitForNoProcesses());
    EXPECT_EQ(x().modeOf("DUMMY1"), "1920x1080_60");
}

TEST_F(E2eModes, KillingLumenorDuringATrialPutsTheModeBack) {
    ASSERT_NO_FATAL_FAILURE(tryMode());
    ASSERT_TRUE(modeGuardianRunning(x().displayName()));
    ::kill(static_cast<pid_t>(app().processId()), SIGKILL);
    ASSERT_TRUE(app().waitForFinished(10000));
    EXPECT_TRUE(waitForMode("DUMMY1", "1280x720_60")) << "the mode was not put back";
    EXPECT_TRUE(waitForNoProcesses());
    EXPECT_EQ(x().modeOf("DUMMY0"), "1920x1080_60");
}

TEST_F(E2eModes, ATrialOnAnotherDisplayFirstPutsTheFirstTrialBack) {
    ASSERT_NO_FATAL_FAILURE(tryMode());
    ASSERT_TRUE(click(displayItem("DUMMY0") + " .display-pick"));
    ASSERT_TRUE(waitForElement(rateButton("1280x720_60"), "!el.disabled"));
    ASSERT_TRUE(click(rateButton("1280x720_60")));
    EXPECT_TRUE(waitForMode("DUMMY0", "1280x720_60"));
    EXPECT_TRUE(waitForMode("DUMMY1", "1280x720_60")) << "the first trial was left standing";
    ASSERT_TRUE(waitForElement("#trial", "!el.hidden"));
    ASSERT_TRUE(click("#trial-revert"));
    EXPECT_TRUE(waitForMode("DUMMY0", "1920x1080_60"));
    EXPECT_TRUE(waitForElement("#trial", "el.hidden"));
}

}  // namespace
}  // namespace lumenor::test
