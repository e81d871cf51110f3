#include "audio/sample_clock.h"

#include <cmath>

namespace lumenor {

namespace {

// How much of each report's difference from the estimate is taken: the estimate settles
// within a few dozen callbacks and averages away their wake-up noise.
constexpr double kSmoothing = 1.0 / 16.0;

}  // namespace

void SampleClock::observe(std::int64_t position, std::int64_t heardAtNs) {
    const double origin =
        static_cast<double>(heardAtNs) - static_cast<double>(position) * 1e9 / rate_;
    if (!origin_) {
        origin_ = origin;
        return;
    }
    const double difference = origin - *origin_;
    if (std::fabs(difference) <= static_cast<double>(kJumpNanos)) {
        *origin_ += difference * kSmoothing;
        jumpReports_ = 0;
        return;
    }
    // One late report is noise; several that agree are a new latency.
    if (jumpReports_ > 0 && std::fabs(origin - *jumpTo_) <= static_cast<double>(kJumpNanos)) {
        ++jumpReports_;
    } else {
        jumpReports_ = 1;
    }
    jumpTo_ = origin;
    if (jumpReports_ >= kJumpReports) {
        origin_ = origin;
        jumpReports_ = 0;
    }
}

std::optional<std::int64_t> SampleClock::frameAt(std::int64_t timeNs) const {
    if (!origin_) {
        return std::nullopt;
    }
    return std::llround((static_cast<double>(timeNs) - *origin_) * rate_ / 1e9);
}

std::optional<std::int64_t> SampleClock::timeOf(std::int64_t position) const {
    if (!origin_) {
        return std::nullopt;
    }
    return std::llround(*origin_ + static_cast<double>(position) * 1e9 / rate_);
}

}  // namespace lumenor
