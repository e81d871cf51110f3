#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cmath>
#include <limits>
#include <vector>

#include "patterns/display_link_animator.h"
#include "patterns/marker_lookahead.h"
#include "patterns/pattern_clock.h"
#include "support/manual_refresh_links.h"

namespace lumenor {
namespace {

using test::ManualLinks;

// Ticks at 60 Hz for `seconds` from the clock's start; returns the times of the events of
// either kind.
std::vector<double> tickAlong(PatternClock& clock, Pattern p, double period, double seconds) {
    std::vector<double> events;
    for (int i = 0; i <= seconds * 60; ++i) {
        const double t = i / 60.0;
        const auto e = clock.tick(p, clock.startTime() + t, period);
        if (e.bounce || e.countSecond) {
            events.push_back(t);
        }
    }
    return events;
}

// Bounces come at the first tick from half a period in, then every (half-second) period, each
// flashing the floor for 70 ms; the countdown's seconds come from second 0 on.
TEST(PatternClock, BouncesAndSecondsComeOnTheirSchedule) {
    PatternClock clock(100.0);
    const std::vector<double> bounces = tickAlong(clock, Pattern::bounce, 0.5, 1.5);
    ASSERT_EQ(bounces.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const double contact = (static_cast<double>(i) + 0.5) * 0.5;
        EXPECT_TRUE(bounces[i] > contact - 1e-9 && bounces[i] < contact + 1.0 / 60) << bounces[i];
    }
    EXPECT_NEAR(clock.flashUntil(), bounces.back() + 0.07, 1e-9);
    const std::vector<double> seconds = tickAlong(clock, Pattern::countdown, 1.0, 3.5);
    ASSERT_EQ(seconds.size(), 4u);
    EXPECT_DOUBLE_EQ(seconds[0], 0.0);
    EXPECT_NEAR(seconds[3], 3.0, 1.0 / 60);
}

TEST(PatternClock, RestartsClearWhatTheyShould) {
    PatternClock clock(0.0);
    clock.tick(Pattern::countdown, 0.2, 1.0);
    clock.tick(Pattern::bounce, 0.6, 1.0);
    // A new bounce period starts the ball again but keeps the countdown's second.
    clock.restartBounce(10.0);
    EXPECT_DOUBLE_EQ(clock.flashUntil(), 0.0);
    EXPECT_FALSE(clock.tick(Pattern::countdown, 10.1, 1.0).countSecond);
    EXPECT_FALSE(clock.tick(Pattern::bounce, 10.2, 0.5).bounce);
    EXPECT_TRUE(clock.tick(Pattern::bounce, 10.26, 0.5).bounce);
    // A new pattern starts everything again.
    clock.restart(20.0);
    EXPECT_TRUE(clock.tick(Pattern::countdown, 20.0, 1.0).countSecond);
    EXPECT_DOUBLE_EQ(clock.elapsed(20.5), 0.5);
}

TEST(PatternClock, UnusablePeriodsAndStillPatternsGiveNoEvents) {
    PatternClock clock(0.0);
    for (const double period :
         {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e-300}) {
        EXPECT_TRUE(tickAlong(clock, Pattern::bounce, period, 2.0).empty()) << period;
    }
    EXPECT_TRUE(tickAlong(clock, Pattern::grid, 1.0, 3.0).empty());
}

// Ticks are posted to the main thread, one a refresh; those still posted when it dies are
// dropped. A link on the same display is kept, another display gets its own, and without a link
// the animator stays stopped.
TEST(DisplayLinkAnimator, EveryRefreshPostsOneTickNoneOutliveItAndOneLinkADisplay) {
    ManualLinks links;
    int ticks = 0;
    {
        DisplayLinkAnimator animator(links);
        animator.onTick = [&] { ++ticks; };
        animator.start(3u);
        animator.start(3u);
        EXPECT_EQ(links.created, 1);
        ASSERT_TRUE(animator.isRunning());
        EXPECT_EQ(animator.currentDisplay(), 3u);
        links.refreshes(5);
        EXPECT_EQ(ticks, 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(ticks, 5);
        links.refreshes(3);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 5);

    DisplayLinkAnimator animator(links);
    animator.start(std::nullopt);
    EXPECT_EQ(links.created, 2);
    EXPECT_EQ(links.lastDisplay, std::nullopt);
    EXPECT_TRUE(animator.isRunning());
    animator.start(std::nullopt);
    EXPECT_EQ(links.created, 2);
    animator.start(4u);
    EXPECT_EQ(links.created, 3);

    links.refuse = true;
    animator.start(1u);
    EXPECT_FALSE(animator.isRunning());
    EXPECT_EQ(animator.currentDisplay(), std::nullopt);
}

// A 100 Hz display whose refreshes fall 3 ms past each hundredth of a second.
RefreshStamp stampAt(std::uint64_t counter) {
    return {static_cast<std::int64_t>(counter) * 10'000 + 3'000, 1'000'000, 10'000, counter};
}

// The refreshes' times ahead are checked through the markers below.
TEST(RefreshGridTest, CountsTheRefreshesAheadAndNeedsAPeriodAndATimeScale) {
    EXPECT_EQ(RefreshGrid::from(stampAt(1000))->counterAtOrAfter(10.5), 1050u);
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

// Each event once, for the first frame at or after it; counted again after a restart.
TEST(MarkerLookaheadTest, EachBounceAndCountSecondOnceForTheFirstFrameAtOrAfterIt) {
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

    // The seconds go on through bounce restarts: second 0 is still to come.
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
