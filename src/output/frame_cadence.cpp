#include "output/frame_cadence.h"

#include <cmath>
#include <limits>

namespace lumenor {

namespace {

constexpr int kSettledAfterOnTime = 10;
constexpr double kLongestSettleSeconds = 2.0;

}  // namespace

std::optional<FrameReport> FrameCadence::step(std::int64_t videoTime, std::int32_t timeScale,
                                              std::int64_t refreshPeriod) {
    if (refreshPeriod <= 0 || timeScale <= 0) {
        return std::nullopt;
    }
    nominalHz_ = static_cast<double>(timeScale) / static_cast<double>(refreshPeriod);
    if (lastVideoTime_ == 0) {
        firstVideoTime_ = videoTime;
    } else {
        // In doubles: a wild time stamp must not overflow the subtraction or the count.
        const double steps =
            std::round((static_cast<double>(videoTime) - static_cast<double>(lastVideoTime_)) /
                       static_cast<double>(refreshPeriod));
        onTimeInARow_ = steps == 1.0 ? onTimeInARow_ + 1 : 0;
        settled_ = settled_ || onTimeInARow_ >= kSettledAfterOnTime ||
                   static_cast<double>(videoTime) - static_cast<double>(firstVideoTime_) >
                       kLongestSettleSeconds * timeScale;
        const double missed = steps - 1.0;
        if (settled_ && missed > 0.0) {
            const double room = std::numeric_limits<int>::max() - droppedTotal_;
            droppedTotal_ += static_cast<int>(std::min(missed, room));
        }
    }
    lastVideoTime_ = videoTime;
    if (++framesSinceReport_ < kRefreshesPerReport) {
        return std::nullopt;
    }
    const bool steady = droppedTotal_ == droppedAtLastReport_;
    droppedAtLastReport_ = droppedTotal_;
    framesSinceReport_ = 0;
    return FrameReport{nominalHz_, droppedTotal_, steady};
}

void FrameCadence::reset() {
    firstVideoTime_ = 0;
    lastVideoTime_ = 0;
    onTimeInARow_ = 0;
    settled_ = false;
    droppedTotal_ = 0;
    droppedAtLastReport_ = 0;
    framesSinceReport_ = 0;
}

}  // namespace lumenor
