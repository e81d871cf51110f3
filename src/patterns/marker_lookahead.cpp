#include "patterns/marker_lookahead.h"

#include <algorithm>
#include <cmath>

namespace lumenor {

std::optional<RefreshGrid> RefreshGrid::from(const RefreshStamp& stamp) {
    if (stamp.timeScale <= 0 || stamp.refreshPeriod <= 0) {
        return std::nullopt;
    }
    const double scale = stamp.timeScale;
    return RefreshGrid{static_cast<double>(stamp.videoTime) / scale,
                       static_cast<double>(stamp.refreshPeriod) / scale, stamp.counter};
}

namespace {

// `grid` carried forward by whole periods to `counter`.
RefreshGrid carried(RefreshGrid grid, std::uint64_t counter) {
    grid.lastRefresh += static_cast<double>(counter - grid.lastCounter) * grid.period;
    grid.lastCounter = counter;
    return grid;
}

}  // namespace

void RefreshGridTracker::add(const RefreshStamp& stamp) {
    const std::optional<RefreshGrid> g = RefreshGrid::from(stamp);
    if (!g) {
        reset();
        return;
    }
    // A counter at most a few seconds on from the last one continues the same grid.
    constexpr std::uint64_t kLongestGap = 1000;
    if (count_ > 0 && (g->period != latest_.period || g->lastCounter <= latest_.lastCounter ||
                       g->lastCounter - latest_.lastCounter > kLongestGap)) {
        reset();
    }
    latest_ = *g;
    seen_[next_] = {g->lastCounter, g->lastRefresh};
    next_ = (next_ + 1) % seen_.size();
    count_ = std::min(count_ + 1, seen_.size());
    const RefreshGrid live = median();
    if (!held_ || std::fabs(carried(*held_, live.lastCounter).lastRefresh - live.lastRefresh) >
                      kHoldSeconds) {
        held_ = live;
    }
}

std::optional<RefreshGrid> RefreshGridTracker::grid() const {
    if (!held_) {
        return std::nullopt;
    }
    return carried(*held_, latest_.lastCounter);
}

RefreshGrid RefreshGridTracker::median() const {
    std::array<double, kStamps> times{};
    for (std::size_t i = 0; i < count_; ++i) {
        times[i] = carried({seen_[i].time, latest_.period, seen_[i].counter}, latest_.lastCounter)
                       .lastRefresh;
    }
    const auto middle = times.begin() + static_cast<std::ptrdiff_t>(count_ / 2);
    std::nth_element(times.begin(), middle, times.begin() + static_cast<std::ptrdiff_t>(count_));
    RefreshGrid g = latest_;
    g.lastRefresh = *middle;
    return g;
}

double RefreshGrid::stepsTo(double time) const {
    return std::max(std::ceil((time - lastRefresh) / period), 1.0);
}

std::vector<MarkerLookahead::Marker> MarkerLookahead::take(Pattern pattern, double startTime,
                                                           double bouncePeriod,
                                                           const RefreshGrid& grid, double until) {
    std::vector<Marker> markers;
    if (pattern == Pattern::countdown) {
        while (true) {
            const double shown =
                grid.refreshAtOrAfter(startTime + static_cast<double>(nextSecond_));
            if (shown > until) {
                break;
            }
            markers.push_back({Kind::countSecond, shown});
            ++nextSecond_;
        }
    }
    if (pattern == Pattern::bounce && bouncePeriod > 0.0 && std::isfinite(bouncePeriod)) {
        while (true) {
            const double contact =
                startTime + (static_cast<double>(nextBounce_) - 0.5) * bouncePeriod;
            const double shown = grid.refreshAtOrAfter(contact);
            if (shown > until || !std::isfinite(contact)) {
                break;
            }
            markers.push_back({Kind::bounce, shown});
            // Contacts closer together than the refreshes all show on that frame: one marker
            // stands for them, so the work is one step a refresh whatever the period.
            const double lastOnFrame = std::floor((shown - startTime) / bouncePeriod + 0.5);
            nextBounce_ = std::max(nextBounce_ + 1,
                                   static_cast<long long>(std::min(lastOnFrame + 1.0, 1.0e15)));
        }
    }
    return markers;
}

}  // namespace lumenor
