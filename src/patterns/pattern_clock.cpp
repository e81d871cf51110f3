#include "patterns/pattern_clock.h"

#include <cmath>

namespace lumenor {

namespace {

// floor(x) as an integer, or false where it has none.
bool floorToInteger(double x, long long* out) {
    if (!std::isfinite(x) || std::fabs(x) > 9.0e15) {
        return false;
    }
    *out = static_cast<long long>(std::floor(x));
    return true;
}

}  // namespace

void PatternClock::restart(double now) {
    startTime_ = now;
    lastBounceIndex_ = 0;
    lastSecondIndex_ = -1;
    flashUntil_ = 0.0;
}

void PatternClock::restartBounce(double now) {
    startTime_ = now;
    lastBounceIndex_ = 0;
    flashUntil_ = 0.0;
}

PatternClock::Events PatternClock::tick(Pattern pattern, double now, double bouncePeriod) {
    Events events;
    const double t = elapsed(now);
    long long index = 0;
    if (pattern == Pattern::countdown && floorToInteger(t, &index) && index != lastSecondIndex_) {
        lastSecondIndex_ = index;
        events.countSecond = true;
    }
    if (pattern == Pattern::bounce && bouncePeriod > 0.0 &&
        floorToInteger(t / bouncePeriod + 0.5, &index) && index != lastBounceIndex_) {
        lastBounceIndex_ = index;
        events.bounce = true;
        flashUntil_ = t + kFlashSeconds;
    }
    return events;
}

}  // namespace lumenor
