#include "displays/timer_refresh_link.h"

#include <chrono>
#include <cmath>

namespace lumenor {

namespace {

using Clock = std::chrono::steady_clock;

// Rates outside this band are not a display's and would make the thread spin or stall.
constexpr double kLowestRateHz = 1.0;
constexpr double kHighestRateHz = 1000.0;

std::int64_t microsSinceEpoch(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}

}  // namespace

std::unique_ptr<TimerRefreshLink> TimerRefreshLink::start(double refreshHz,
                                                          RefreshCallback onRefresh) {
    if (!std::isfinite(refreshHz) || refreshHz < kLowestRateHz || refreshHz > kHighestRateHz ||
        !onRefresh) {
        return nullptr;
    }
    std::unique_ptr<TimerRefreshLink> link(
        new TimerRefreshLink(std::llround(1'000'000.0 / refreshHz), std::move(onRefresh)));
    link->thread_ = std::thread([l = link.get()] { l->run(); });
    return link;
}

TimerRefreshLink::TimerRefreshLink(std::int64_t periodMicros, RefreshCallback onRefresh)
    : period_(periodMicros), onRefresh_(std::move(onRefresh)) {}

TimerRefreshLink::~TimerRefreshLink() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TimerRefreshLink::run() {
    const std::chrono::microseconds period(period_);
    const Clock::time_point origin = Clock::now();
    std::uint64_t counter = 0;
    std::unique_lock lock(mutex_);
    while (true) {
        const Clock::time_point deadline = origin + period * static_cast<std::int64_t>(counter + 1);
        if (wake_.wait_until(lock, deadline, [this] { return stopping_; })) {
            return;
        }
        // A wake that came several periods late stands for that many refreshes.
        const Clock::time_point now = Clock::now();
        counter = static_cast<std::uint64_t>((now - origin) / period);
        lock.unlock();
        onRefresh_({microsSinceEpoch(origin + period * static_cast<std::int64_t>(counter)),
                    1'000'000, period_, counter});
        lock.lock();
    }
}

}  // namespace lumenor
