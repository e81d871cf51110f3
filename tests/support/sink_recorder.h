#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "audio/pulse_context.h"
#include "support/pulse_testbed.h"

struct pa_stream;

namespace lumenor::test {

// Records a null sink's monitor in this process and ties the recording to the monotonic clock.
// The null sink plays each block it renders from the moment it renders it, and the monitor
// hands the block on at once; asked for tiny fragments, the sink renders tiny blocks, so each
// read's first frame arrives within about a millisecond of being played. Each read stamps
// that frame with CLOCK_MONOTONIC, and a line fitted through the stamps gives every frame's
// time: the null sink's rate is not exactly the clock's (it counts its blocks in whole
// microseconds), so the line has a slope of its own.
class SinkRecorder {
  public:
    static std::unique_ptr<SinkRecorder> start(const QString& serverAddress, const QString& source,
                                               QString* error);
    ~SinkRecorder();
    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    struct Result {
        Recording audio;
        // The fitted line: frame f was played at originNs + f × nsPerFrame (CLOCK_MONOTONIC).
        bool tied = false;
        double originNs = 0.0;
        double nsPerFrame = 0.0;
        // How far the reads scatter about the line: the 5th to the 95th percentile, in ns.
        double scatterNs = 0.0;

        std::optional<std::int64_t> timeOfFrame(std::size_t frame) const;
    };
    Result stop();

  private:
    SinkRecorder() = default;
    void read();
    void fit(Result& result) const;

    std::unique_ptr<PulseContext> pulse_;
    pa_stream* stream_ = nullptr;
    std::mutex lock_;
    std::vector<float> interleaved_;                          // guarded by lock_
    std::vector<std::pair<std::size_t, std::int64_t>> ties_;  // first frame, arrival (ns)
};

}  // namespace lumenor::test
