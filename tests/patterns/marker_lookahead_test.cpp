#include <gtest/gtest.h>

#include <limits>

#include "patterns/marker_lookahead.h"

namespace lumenor {
namespace {

// A 100 Hz display whose refreshes fall 3 ms past each hundredth of a second.
RefreshStamp stampAt(std::uint64_t counter) {
    return {static_cast<std::int64_t>(counter) * 10'000 + 3'000, 1'000'000, 10'000, counter};
}

TEST(RefreshGridTest, TheFirstRefreshAtOrAfterATimeAndNeverThePastOne) {
    const RefreshGrid grid = *RefreshGrid::from(stampAt(1000));  // at 10.003 s
    EXPECT_DOUBLE_EQ(grid.refreshAtOrAfter(10.0031), 10.013);
    EXPECT_DOUBLE_EQ(grid.refreshAtOrAfter(10.5), 10.503);
    EXPECT_EQ(grid.counterAtOrAfter(10.5), 1050u);
    EXPECT_DOUBLE_EQ(grid.refreshAtOrAfter(9.0), 10.013);
    EXPECT_FALSE(RefreshGrid::from({1000, 1'000'000, 0, 1}));
    EXPECT_FALSE(RefreshGrid::from({1000, 0, 10'000, 1}));
}

TEST(RefreshGridTrackerTest, ALateStampDoesNotMoveTheGridAndANewPeriodStartsAfresh) {
    RefreshGridTracker tracker;
    EXPECT_FALSE(tracker.grid());
    for (std::uint64_t c = 100; c < 110; ++c) {
        tracker.add(stampAt(c));
    }
    RefreshStamp late = stampAt(110);
    late.videoTime += 4'000;  // stamped 4 ms after the refresh
    tracker.add(late);
    EXPECT_NEAR(tracker.grid()->lastRefresh, 1.103, 1e-9);
    EXPECT_EQ(tracker.grid()->lastCounter, 110u);

    tracker.add({2'000'000, 1'000'000, 20'000, 111});  // another mode
    EXPECT_NEAR(tracker.grid()->lastRefresh, 2.0, 1e-9);
    EXPECT_NEAR(tracker.grid()->period, 0.02, 1e-12);
}

TEST(RefreshGridTrackerTest, HoldsStillUntilTheStampsMoveItByMoreThanTheHold) {
    RefreshGridTracker tracker;
    std::uint64_t c = 100;
    // Every stamp from now on `shiftMicros` later than the grid they started.
    const auto stampsShifted = [&](std::int64_t shiftMicros) {
        for (std::size_t i = 0; i < RefreshGridTracker::kStamps; ++i) {
            RefreshStamp s = stampAt(++c);
            s.videoTime += shiftMicros;
            tracker.add(s);
        }
    };
    stampsShifted(0);
    stampsShifted(300);
    EXPECT_NEAR(tracker.grid()->lastRefresh, static_cast<double>(c) * 0.01 + 0.003, 1e-9);
    EXPECT_EQ(tracker.grid()->lastCounter, c);
    stampsShifted(800);
    EXPECT_NEAR(tracker.grid()->lastRefresh, static_cast<double>(c) * 0.01 + 0.0038, 1e-9);
}

// A server without vertical blanks stamps the refreshes 2 ms late, after copying the frames
// it stamped on time; the frames' completions may be read before the refresh's own stamp.
TEST(RefreshGridTrackerTest, FollowsTheFramesShownOnceThereAreEnough) {
    RefreshGridTracker tracker;
    for (std::uint64_t c = 100; c < 100 + RefreshGridTracker::kShownEnough; ++c) {
        RefreshStamp late = stampAt(c);
        late.videoTime += 2'000;
        tracker.add(late);
        EXPECT_NEAR(tracker.grid()->lastRefresh, static_cast<double>(c) * 0.01 + 0.005, 1e-9);
        tracker.addShown(c + 1, static_cast<double>(stampAt(c + 1).videoTime) / 1e6);
    }
    const std::uint64_t last = 99 + RefreshGridTracker::kShownEnough;
    EXPECT_NEAR(tracker.grid()->lastRefresh, static_cast<double>(last) * 0.01 + 0.003, 1e-9);
    EXPECT_EQ(tracker.grid()->lastCounter, last);
}

TEST(MarkerLookaheadTest, EachBounceOnceForTheFirstFrameAtOrAfterItsContact) {
    MarkerLookahead ahead;
    const RefreshGrid grid = *RefreshGrid::from(stampAt(1000));
    // The clock started at 10.0 s: contacts at 10.5, 11.5, …
    EXPECT_TRUE(ahead.take(Pattern::bounce, 10.0, 1.0, grid, 10.4).empty());
    const auto first = ahead.take(Pattern::bounce, 10.0, 1.0, grid, 10.6);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].kind, MarkerLookahead::Kind::bounce);
    EXPECT_NEAR(first[0].showTime, 10.503, 1e-9);
    EXPECT_TRUE(ahead.take(Pattern::bounce, 10.0, 1.0, grid, 10.6).empty());
    EXPECT_EQ(ahead.take(Pattern::bounce, 10.0, 1.0, grid, 12.6).size(), 2u);

    // A new period counts the bounces again: its first contact is at 10.25 s.
    ahead.restartBounce();
    const auto again = ahead.take(Pattern::bounce, 10.0, 0.5, grid, 10.6);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_NEAR(again[0].showTime, 10.253, 1e-9);

    // Contacts far closer together than the refreshes: one marker a refresh (10 ms here).
    MarkerLookahead crowded;
    const auto markers = crowded.take(Pattern::bounce, 10.0, 1e-6, grid, 10.5);
    EXPECT_LE(markers.size(), 51u);
    for (std::size_t i = 1; i < markers.size(); ++i) {
        EXPECT_GT(markers[i].showTime, markers[i - 1].showTime);
    }
}

TEST(MarkerLookaheadTest, CountSecondsFromTheStartAndNoBouncesWithoutAPeriod) {
    MarkerLookahead ahead;
    const RefreshGrid grid = *RefreshGrid::from(stampAt(1000));
    const auto seconds = ahead.take(Pattern::countdown, 10.0, 1.0, grid, 11.2);
    ASSERT_EQ(seconds.size(), 2u);
    EXPECT_NEAR(seconds[0].showTime, 10.013, 1e-9);  // second 0, already under way
    EXPECT_NEAR(seconds[1].showTime, 11.003, 1e-9);
    EXPECT_EQ(seconds[1].kind, MarkerLookahead::Kind::countSecond);
    ahead.restart();
    EXPECT_EQ(ahead.take(Pattern::countdown, 10.0, 1.0, grid, 11.2).size(), 2u);

    for (const double period : {0.0, -1.0, std::numeric_limits<double>::infinity()}) {
        MarkerLookahead none;
        EXPECT_TRUE(none.take(Pattern::bounce, 10.0, period, grid, 20.0).empty()) << period;
    }
    EXPECT_TRUE(MarkerLookahead().take(Pattern::grid, 10.0, 1.0, grid, 20.0).empty());
}

}  // namespace
}  // namespace lumenor
