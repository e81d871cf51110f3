#pragma once

#include <cstdint>
#include <optional>

namespace lumenor {

// What the frame meter reports every 30 refreshes.
struct FrameReport {
    double hz = 0.0;      // nominal refresh rate of the display
    int dropped = 0;      // refreshes missed since the meter started
    bool steady = false;  // nothing was missed during the last 30 refreshes

    friend bool operator==(const FrameReport&, const FrameReport&) = default;
};

// Counts missed refreshes from the time stamps of successive refreshes, once the display has
// taken ten in a row on time, or 2 s after the first: gaps before then belong to the output
// appearing (a compositor placing its window and taking in its first buffers), not to the
// signal.
class FrameCadence {
  public:
    static constexpr int kRefreshesPerReport = 30;

    // One refresh with its video time, time scale (units per second) and nominal period.
    // Returns a report on every 30th counted refresh.
    std::optional<FrameReport> step(std::int64_t videoTime, std::int32_t timeScale,
                                    std::int64_t refreshPeriod);
    // Back to no refresh seen and nothing counted; the nominal rate is kept.
    void reset();

    double nominalHz() const { return nominalHz_; }
    int droppedTotal() const { return droppedTotal_; }

  private:
    std::int64_t firstVideoTime_ = 0;
    std::int64_t lastVideoTime_ = 0;
    int onTimeInARow_ = 0;
    bool settled_ = false;
    double nominalHz_ = 0.0;
    int droppedTotal_ = 0;
    int droppedAtLastReport_ = 0;
    int framesSinceReport_ = 0;
};

}  // namespace lumenor
