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

// `grid` carried by whole periods to `counter`, forward or back.
RefreshGrid carried(RefreshGrid grid, std::uint64_t counter) {
    grid.lastRefresh +=
        static_cast<double>(static_cast<std::int64_t>(counter - grid.lastCounter)) * grid.period;
    grid.lastCounter = counter;
    return grid;
}

// A counter at most a few seconds from the latest one belongs to the same grid.
constexpr std::uint64_t kLongestGap = 1000;

}  // namespace

void RefreshGridTracker::Ring::add(Seen s) {
    seen[next] = s;
    next = (next + 1) % seen.size();
    count = std::min(count + 1, seen.size());
}

void RefreshGridTracker::add(const RefreshStamp& stamp) {
    const std::optional<RefreshGrid> g = RefreshGrid::from(stamp);
    if (!g) {
        reset();
        return;
    }
    if (refreshes_.count > 0 &&
        (g->period != latest_.period || g->lastCounter <= latest_.lastCounter ||
         g->lastCounter - latest_.lastCounter > kLongestGap)) {
        reset();
    }
    latest_ = *g;
    refreshes_.add({g->lastCounter, g->lastRefresh});
    update();
}

void RefreshGridTracker::addShown(std::uint64_t counter, double time) {
    const auto distance = static_cast<std::int64_t>(counter - latest_.lastCounter);
    if (refreshes_.count == 0 || distance > static_cast<std::int64_t>(kLongestGap) ||
        -distance > static_cast<std::int64_t>(kLongestGap)) {
        return;
    }
    shown_.add({counter, time});
    update();
}

void RefreshGridTracker::update() {
    const RefreshGrid live = median(shown_.count >= kShownEnough ? shown_ : refreshes_);
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

RefreshGrid RefreshGridTracker::median(const Ring& ring) const {
    std::array<double, kStamps> times{};
    for (std::size_t i = 0; i < ring.count; ++i) {
        times[i] =
            carried({ring.seen[i].time, latest_.period, ring.seen[i].counter}, latest_.lastCounter)
                .lastRefresh;
    }
    const auto middle = times.begin() + static_cast<std::ptrdiff_t>(ring.count / 2);
    std::nth_element(times.begin(), middle,
                     times.begin() + static_cast<std::ptrdiff_t>(ring.count));
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
