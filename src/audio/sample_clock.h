#pragma once

#include <cstdint>
#include <optional>

namespace lumenor {

// When the frames of an output stream are heard, on the monotonic clock (nanoseconds): frame p,
// counted from the stream's first callback, is heard at origin + p / rate. The origin comes
// from what the audio back end reports for each block, smoothed so that the scheduling noise of
// the callbacks does not become jitter of the markers; a lasting jump (a new latency, a gap in
// the stream) is taken over whole.
class SampleClock {
  public:
    // Reports further than this from the estimate count as a jump.
    static constexpr std::int64_t kJumpNanos = 3'000'000;
    // A jump is taken over once this many reports in a row agree on it.
    static constexpr int kJumpReports = 3;

    explicit SampleClock(double sampleRate) : rate_(sampleRate) {}

    // The block starting at frame `position` is heard from `heardAtNs` on.
    void observe(std::int64_t position, std::int64_t heardAtNs);

    bool isKnown() const { return origin_.has_value(); }
    // The frame heard at `timeNs`, to the nearest frame; none before the first report.
    std::optional<std::int64_t> frameAt(std::int64_t timeNs) const;
    // When frame `position` is heard; none before the first report.
    std::optional<std::int64_t> timeOf(std::int64_t position) const;

  private:
    double rate_;
    std::optional<double> origin_;  // ns at which frame 0 is heard
    std::optional<double> jumpTo_;  // the origin the reports far from the estimate point to
    int jumpReports_ = 0;
};

}  // namespace lumenor
