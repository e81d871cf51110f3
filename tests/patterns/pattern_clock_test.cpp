#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "patterns/pattern_clock.h"

namespace lumenor {
namespace {

// Ticks at 60 Hz from `from` to `to` seconds of clock time; returns the times of the events.
struct ClockEvents {
    std::vector<double> bounces;
    std::vector<double> seconds;
};
ClockEvents tickAlong(PatternClock& clock, Pattern p, double period, double from, double to,
                      double origin = 100.0) {
    ClockEvents run;
    for (int i = 0;; ++i) {
        const double t = from + i / 60.0;
        if (t > to) {
            break;
        }
        const auto e = clock.tick(p, origin + t, period);
        if (e.bounce) {
            run.bounces.push_back(t);
        }
        if (e.countSecond) {
            run.seconds.push_back(t);
        }
    }
    return run;
}

// Bounces come half a period in, then every period; the countdown's seconds from second 0 on.
TEST(PatternClock, BouncesAndSecondsComeOnTheirSchedule) {
    for (const double period : {1.0, 0.5}) {
        PatternClock clock(100.0);
        const ClockEvents r = tickAlong(clock, Pattern::bounce, period, 0.0, 3 * period);
        ASSERT_EQ(r.bounces.size(), 3u) << period;
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(r.bounces[i], (static_cast<double>(i) + 0.5) * period, 1.0 / 60) << period;
        }
        EXPECT_TRUE(r.seconds.empty());
    }
    PatternClock clock(100.0);
    const ClockEvents r = tickAlong(clock, Pattern::countdown, 1.0, 0.0, 3.5);
    ASSERT_EQ(r.seconds.size(), 4u);
    EXPECT_DOUBLE_EQ(r.seconds[0], 0.0);
    EXPECT_NEAR(r.seconds[3], 3.0, 1.0 / 60);
    EXPECT_TRUE(r.bounces.empty());
}

TEST(PatternClock, ABounceFlashesFor70Milliseconds) {
    PatternClock clock(0.0);
    EXPECT_FALSE(clock.tick(Pattern::bounce, 0.49, 1.0).bounce);
    EXPECT_DOUBLE_EQ(clock.flashUntil(), 0.0);
    EXPECT_TRUE(clock.tick(Pattern::bounce, 0.51, 1.0).bounce);
    EXPECT_DOUBLE_EQ(clock.flashUntil(), 0.51 + 0.07);
    EXPECT_FALSE(clock.tick(Pattern::bounce, 0.52, 1.0).bounce);
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
    for (const double period :
         {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e-300}) {
        PatternClock clock(0.0);
        const ClockEvents r = tickAlong(clock, Pattern::bounce, period, 0.0, 2.0, 0.0);
        EXPECT_TRUE(r.bounces.empty()) << period;
        EXPECT_DOUBLE_EQ(clock.flashUntil(), 0.0);
    }
    PatternClock clock(0.0);
    const ClockEvents r = tickAlong(clock, Pattern::grid, 1.0, 0.0, 3.0, 0.0);
    EXPECT_TRUE(r.bounces.empty() && r.seconds.empty());
}

}  // namespace
}  // namespace lumenor
