#include <gtest/gtest.h>

#include <string>

#include "core/log.h"
#include "displays/display_modes.h"
#include "displays/fake_mode_platform.h"
#include "displays/revert_coordinator.h"
#include "support/log_capture.h"
#include "support/mode_info.h"
#include "support/wait.h"

namespace lumenor {
namespace {

constexpr DisplayId kDisplay = 42;

using test::mode;

class DisplayModesTest : public ::testing::Test {
  protected:
    void setModes(std::vector<ModeInfo> modes, std::optional<std::int32_t> current) {
        fake.displays[kDisplay] = {std::move(modes), current};
    }

    FakeModePlatform fake;
};

// The list as "id" per mode, "n" after the native one and "c" after the current one.
std::string marks(const std::vector<ModeInfo>& list) {
    std::string out;
    for (const ModeInfo& m : list) {
        out += (out.empty() ? "" : " ") + std::to_string(m.id) + (m.isNative ? "n" : "") +
               (m.isCurrent ? "c" : "");
    }
    return out;
}

// Sorted by width, then height, then rate, all falling; a mode equal to an earlier one in
// pixels, point width and rate is left out; the first of the largest in the platform's order
// is native.
TEST_F(DisplayModesTest, SortsDeduplicatesAndMarksOneNativeAndTheCurrentOrIsEmpty) {
    const std::optional<std::int32_t> none;
    // No modes, or a failing query (as for no such display): an empty list.
    setModes({}, none);
    EXPECT_TRUE(modesForDisplay(fake, kDisplay).empty());
    fake.displays[kDisplay].modes.reset();
    EXPECT_TRUE(modesForDisplay(fake, kDisplay).empty());
    const auto listed = [&](std::vector<ModeInfo> modes, std::optional<std::int32_t> current) {
        setModes(std::move(modes), current);
        return marks(modesForDisplay(fake, kDisplay));
    };
    // 4 and 7 share every sort key: they keep the platform's order.
    EXPECT_EQ(listed({mode(1, 1280, 720, 60), mode(2, 1920, 1080, 50), mode(3, 1920, 1200, 60),
                      mode(4, 1920, 1080, 60), mode(5, 3840, 2160, 30), mode(6, 1920, 1080, 59.94),
                      mode(7, 1920, 1080, 60, 960, 540)},
                     none),
              "5n 3 4 7 6 2 1");
    // Rates that differ only slightly both stay; the native one is the platform's first.
    EXPECT_EQ(listed({mode(1, 1920, 1080, 59.94), mode(2, 1920, 1080, 60)}, 1), "2 1nc");
    // Duplicates differing in point height or number appear once, as the first.
    EXPECT_EQ(listed({mode(10, 1920, 1080, 60), mode(11, 1920, 1080, 60, 1920, 1000),
                      mode(12, 1920, 1080, 60)},
                     none),
              "10n");
    // Scaled and unscaled of one pixel size both stay, in the platform's order.
    EXPECT_EQ(listed({mode(1, 2880, 1800, 60, 1440, 900), mode(2, 2880, 1800, 60)}, 2), "1n 2c");
    // Only the first of the largest is native.
    EXPECT_EQ(listed({mode(1, 1920, 1080, 60), mode(2, 2560, 1440, 60), mode(3, 1440, 2560, 60),
                      mode(4, 2560, 1440, 50), mode(5, 1280, 720, 60)},
                     none),
              "2n 4 1 3 5");
    // A current mode that is a dropped duplicate leaves no current entry and lends no mark.
    EXPECT_EQ(listed({mode(1, 1920, 1080, 60), mode(2, 1920, 1080, 60)}, 2), "1n");
}

TEST_F(DisplayModesTest, ApplyingIsOneTransactionAndAFailedStepChangesNothing) {
    setModes({mode(1, 1920, 1080, 60), mode(2, 1280, 720, 60)}, 1);
    const auto apply = [&](std::int32_t id, ConfigureScope scope) {
        return applyDisplayMode(fake, kDisplay, mode(id, 1280, 720), scope);
    };
    fake.failBegin = true;
    EXPECT_FALSE(apply(2, ConfigureScope::forAppOnly));
    EXPECT_EQ(fake.begins, 1);
    EXPECT_EQ(fake.configures, 0);
    fake.failBegin = false;
    fake.failComplete = true;
    EXPECT_FALSE(apply(2, ConfigureScope::permanently));
    EXPECT_EQ(fake.configures, 1);
    EXPECT_EQ(fake.currentMode(kDisplay)->id, 1);

    fake.failComplete = false;
    EXPECT_TRUE(apply(2, ConfigureScope::forAppOnly));
    EXPECT_EQ(fake.begins, 3);
    EXPECT_EQ(fake.configures, 2);
    ASSERT_EQ(fake.applied.size(), 1u);
    EXPECT_EQ(fake.applied[0].display, kDisplay);
    EXPECT_EQ(fake.applied[0].modeId, 2);
    EXPECT_EQ(fake.applied[0].scope, ConfigureScope::forAppOnly);
    EXPECT_EQ(fake.currentMode(kDisplay)->id, 2);
    EXPECT_TRUE(apply(1, ConfigureScope::permanently));
    EXPECT_EQ(fake.applied.back().scope, ConfigureScope::permanently);
}

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

// A second trial replaces the first and its count; its snapshot is the first trial's mode.
TEST_F(RevertCoordinatorTest, DoingNothingCountsDownEachSecondThenRevertsToTheLastSnapshot) {
    revert.begin(other, before, kDisplay, 5);
    ASSERT_TRUE(test::spinUntil([&] { return events.size() >= 2; }, 3000));
    QElapsedTimer clock;
    clock.start();
    revert.begin(trial, other, kDisplay, 3);
    EXPECT_EQ(events.back(), "count 3");
    EXPECT_EQ(currentId(), trial.id);
    EXPECT_TRUE(revert.trialRunning());
    ASSERT_TRUE(test::spinUntil([&] { return !revert.trialRunning(); }, 6000));
    // Three ticks a second apart, not at once.
    EXPECT_GE(clock.elapsed(), 2500);
    EXPECT_EQ(events, (std::vector<std::string>{"count 5", "count 4", "count 3", "count 2",
                                                "count 1", "count 0", "resolved false"}));
    EXPECT_EQ(currentId(), other.id);
    ASSERT_EQ(fake.applied.size(), 3u);
    for (const auto& applied : fake.applied) {
        EXPECT_EQ(applied.scope, ConfigureScope::forAppOnly);
    }
    EXPECT_EQ(fake.applied[2].modeId, other.id);
    EXPECT_EQ(messages(),
              (std::vector<QString>{
                  "applied 3840x2160 @ 60.00 Hz on display 42; reverting in 5s unless kept",
                  "applied 1280x720 @ 60.00 Hz on display 42; reverting in 3s unless kept",
                  "reverted display 42 to 3840x2160 @ 60.00 Hz"}));
    EXPECT_EQ(log.types(), std::vector<QtMsgType>(3, QtInfoMsg));
    EXPECT_FALSE(revert.endedRefused()) << "it ran";
}

TEST_F(RevertCoordinatorTest, ARefusalKeepingOrRevertingNowEndsATrialAndItsCountAtOnce) {
    // While idle, keeping and reverting only report.
    revert.keep();
    revert.revertNow();
    EXPECT_TRUE(fake.applied.empty());
    EXPECT_TRUE(log.lines().empty());
    // Where modes cannot change, a trial touches nothing and says why.
    fake.refusal = "Not here.";
    revert.begin(trial, before, kDisplay, 15);
    EXPECT_FALSE(revert.trialRunning());
    EXPECT_EQ(fake.begins, 0);
    EXPECT_EQ(messages(), std::vector<QString>{"Not here."});
    EXPECT_EQ(log.types(), std::vector<QtMsgType>{QtInfoMsg});
    EXPECT_TRUE(revert.endedRefused());
    fake.refusal.reset();

    revert.begin(trial, before, kDisplay, 15);
    revert.revertNow();
    EXPECT_EQ(currentId(), before.id);
    EXPECT_FALSE(revert.displayID().has_value());
    revert.begin(trial, std::nullopt, kDisplay, 3);
    revert.revertNow();
    EXPECT_EQ(currentId(), trial.id);
    EXPECT_EQ(fake.applied.size(), 3u);
    EXPECT_EQ(messages().size(), 4u) << "no revert is logged without a snapshot";

    // Kept after a tick: for good, at the count it had reached.
    revert.begin(other, trial, kDisplay, 5);
    ASSERT_TRUE(test::spinUntil([&] { return events.size() >= 9; }, 3000));
    revert.keep();
    ASSERT_EQ(fake.applied.size(), 5u);
    EXPECT_EQ(fake.applied[4].modeId, other.id);
    EXPECT_EQ(fake.applied[4].scope, ConfigureScope::permanently);
    EXPECT_EQ(messages().back(), "kept 3840x2160 @ 60.00 Hz on display 42");
    EXPECT_EQ(revert.secondsLeft(), 4);
    // No further counts from any of them.
    test::spinUntil([] { return false; }, 1500);
    EXPECT_EQ(currentId(), other.id);
    EXPECT_EQ(events,
              (std::vector<std::string>{"resolved true", "resolved false", "resolved false",
                                        "count 15", "resolved false", "count 3", "resolved false",
                                        "count 5", "count 4", "resolved true"}));
}

}  // namespace
}  // namespace lumenor
