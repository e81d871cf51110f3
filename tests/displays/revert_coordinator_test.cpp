#include <gtest/gtest.h>

#include "core/log.h"
#include "displays/fake_mode_platform.h"
#include "displays/revert_coordinator.h"
#include "support/log_capture.h"
#include "support/mode_info.h"
#include "support/wait.h"

namespace lumenor {
namespace {

constexpr DisplayId kDisplay = 42;
using test::mode;

// What happened, in order: "count N", "resolved true|false".
class RevertCoordinatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake.displays[kDisplay] = {std::vector<ModeInfo>{before, trial, other}, before.id};
        revert.onCountdown = [this](int n) { events.push_back("count " + std::to_string(n)); };
        revert.onResolved = [this](bool kept) {
            events.push_back(kept ? "resolved true" : "resolved false");
        };
    }
    std::int32_t currentId() { return fake.currentMode(kDisplay)->id; }
    std::vector<QString> messages() const {
        const QString prefix = QString::fromLatin1(logDisplay().categoryName()) + ": ";
        std::vector<QString> out;
        for (const QString& line : log.lines()) {
            EXPECT_TRUE(line.startsWith(prefix)) << line.toStdString();
            out.push_back(line.mid(prefix.size()));
        }
        return out;
    }

    const ModeInfo before = mode(1, 1920, 1080);
    const ModeInfo trial = mode(2, 1280, 720);
    const ModeInfo other = mode(3, 3840, 2160);
    FakeModePlatform fake;
    RevertCoordinator revert{fake};
    std::vector<std::string> events;
    test::LogCapture log;
};

TEST_F(RevertCoordinatorTest, DoingNothingCountsDownEachSecondThenReverts) {
    QElapsedTimer clock;
    clock.start();
    revert.begin(trial, before, kDisplay, 3);
    EXPECT_EQ(events, (std::vector<std::string>{"count 3"}));
    EXPECT_EQ(currentId(), trial.id);
    EXPECT_TRUE(revert.trialRunning());
    ASSERT_TRUE(test::spinUntil([&] { return !revert.trialRunning(); }, 6000));
    const qint64 took = clock.elapsed();
    // Three ticks a second apart, not at once.
    EXPECT_GE(took, 2500);
    EXPECT_EQ(events, (std::vector<std::string>{"count 3", "count 2", "count 1", "count 0",
                                                "resolved false"}));
    EXPECT_EQ(currentId(), before.id);
    ASSERT_EQ(fake.applied.size(), 2u);
    EXPECT_EQ(fake.applied[0].scope, ConfigureScope::forAppOnly);
    EXPECT_EQ(fake.applied[1].scope, ConfigureScope::forAppOnly);
    EXPECT_EQ(fake.applied[1].modeId, before.id);
    EXPECT_EQ(messages(),
              (std::vector<QString>{
                  "applied 1280x720 @ 60.00 Hz on display 42; reverting in 3s unless kept",
                  "reverted display 42 to 1920x1080 @ 60.00 Hz"}));
    EXPECT_EQ(log.types(), std::vector<QtMsgType>(2, QtInfoMsg));
    EXPECT_FALSE(revert.endedRefused()) << "it ran";
}

TEST_F(RevertCoordinatorTest, KeepingMakesTheTrialPermanentAndStopsTheCount) {
    revert.begin(trial, before, kDisplay, 5);
    ASSERT_TRUE(test::spinUntil([&] { return events.size() >= 2; }, 3000));
    revert.keep();
    EXPECT_EQ(events, (std::vector<std::string>{"count 5", "count 4", "resolved true"}));
    ASSERT_EQ(fake.applied.size(), 2u);
    EXPECT_EQ(fake.applied[1].modeId, trial.id);
    EXPECT_EQ(fake.applied[1].scope, ConfigureScope::permanently);
    EXPECT_EQ(messages().back(), "kept 1280x720 @ 60.00 Hz on display 42");
    // No further counts once kept.
    test::spinUntil([] { return false; }, 1500);
    EXPECT_EQ(events.size(), 3u);
    EXPECT_EQ(currentId(), trial.id);
    EXPECT_EQ(revert.secondsLeft(), 4);
}

TEST_F(RevertCoordinatorTest, WhereModesCannotChangeATrialTouchesNothingAndSaysWhy) {
    fake.refusal = "Not here.";
    revert.begin(trial, before, kDisplay, 15);
    EXPECT_EQ(events, (std::vector<std::string>{"resolved false"}));
    EXPECT_FALSE(revert.trialRunning());
    EXPECT_EQ(fake.begins, 0);
    EXPECT_EQ(messages(), std::vector<QString>{"Not here."});
    EXPECT_EQ(log.types(), std::vector<QtMsgType>{QtInfoMsg});
    EXPECT_TRUE(revert.endedRefused());
}

TEST_F(RevertCoordinatorTest, ASecondTrialReplacesTheFirstAndItsCount) {
    revert.begin(trial, before, kDisplay, 5);
    ASSERT_TRUE(test::spinUntil([&] { return events.size() >= 2; }, 3000));
    revert.begin(other, trial, kDisplay, 2);
    ASSERT_TRUE(test::spinUntil([&] { return !revert.trialRunning(); }, 5000));
    EXPECT_EQ(events, (std::vector<std::string>{"count 5", "count 4", "count 2", "count 1",
                                                "count 0", "resolved false"}));
    // The second snapshot is the first trial's mode.
    EXPECT_EQ(currentId(), trial.id);
}

TEST_F(RevertCoordinatorTest, RevertNowPutsTheSnapshotBackAtOnceIfThereIsOne) {
    // While idle, keeping and reverting only report.
    revert.keep();
    revert.revertNow();
    EXPECT_TRUE(fake.applied.empty());
    EXPECT_TRUE(log.lines().empty());

    revert.begin(trial, before, kDisplay, 15);
    revert.revertNow();
    EXPECT_EQ(currentId(), before.id);
    EXPECT_FALSE(revert.displayID().has_value());
    revert.begin(trial, std::nullopt, kDisplay, 3);
    revert.revertNow();
    EXPECT_EQ(currentId(), trial.id);
    EXPECT_EQ(fake.applied.size(), 3u);
    EXPECT_EQ(messages().size(), 3u) << "no revert is logged without a snapshot";
    test::spinUntil([] { return false; }, 1200);
    EXPECT_EQ(events, (std::vector<std::string>{"resolved true", "resolved false", "count 15",
                                                "resolved false", "count 3", "resolved false"}));
}

}  // namespace
}  // namespace lumenor
