#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "displays/timer_refresh_link.h"

namespace lumenor {
namespace {

using namespace std::chrono_literals;

TEST(TimerRefreshLink, RefusesRatesNoDisplayHasAndAMissingCallback) {
    const auto ignore = [](const RefreshStamp&) {};
    for (const double hz : {0.0, -60.0, 0.5, 5000.0, std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(TimerRefreshLink::start(hz, ignore), nullptr) << hz;
    }
    EXPECT_EQ(TimerRefreshLink::start(60.0, RefreshCallback{}), nullptr);
}

// The stamps lie on one grid of whole periods, as a display's own would, whatever the
// scheduler does to the wakes; a callback that overruns stands for the refreshes it covered.
// The bounds on counts are wide because the machine may be busy.
TEST(TimerRefreshLink, StampsEveryPeriodOnOneGridAndStopsWhenDestroyed) {
    std::mutex lock;
    std::vector<std::pair<RefreshStamp, std::int64_t>> calls;  // each stamp, and when it came
    const auto count = [&] {
        const std::lock_guard<std::mutex> g(lock);
        return calls.size();
    };
    bool slowed = false;
    auto link = TimerRefreshLink::start(100.0, [&](const RefreshStamp& s) {
        {
            const std::lock_guard<std::mutex> g(lock);
            calls.emplace_back(s, std::chrono::duration_cast<std::chrono::microseconds>(
                                      std::chrono::steady_clock::now().time_since_epoch())
                                      .count());
        }
        if (!slowed && s.counter >= 3) {
            slowed = true;
            std::this_thread::sleep_for(45ms);
        }
    });
    ASSERT_NE(link, nullptr);
    std::this_thread::sleep_for(500ms);
    link.reset();
    const std::size_t atStop = count();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(count(), atStop) << "no callback after the link is gone";

    ASSERT_GE(calls.size(), 20U);
    EXPECT_LE(calls.size(), 52U);
    bool sawJump = false;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const auto& [s, calledAt] = calls[i];
        EXPECT_EQ(s.timeScale, 1'000'000);
        EXPECT_EQ(s.refreshPeriod, 10'000);
        EXPECT_LE(s.videoTime, calledAt) << "a stamp is never in the future";
        if (i > 0) {
            const RefreshStamp& prev = calls[i - 1].first;
            ASSERT_GT(s.counter, prev.counter);
            EXPECT_EQ(s.videoTime - prev.videoTime,
                      static_cast<std::int64_t>(s.counter - prev.counter) * 10'000);
            sawJump = sawJump || s.counter - prev.counter >= 4;
        }
    }
    EXPECT_TRUE(sawJump) << "the 45 ms stall spans at least four 10 ms refreshes";
}

}  // namespace
}  // namespace lumenor
