#include "support/sink_recorder.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace lumenor::test {

namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::size_t kFrameBytes = 2 * sizeof(float);

std::int64_t monotonicNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::unique_ptr<SinkRecorder> SinkRecorder::start(const QString& serverAddress,
                                                  const QString& source, QString* error) {
    std::unique_ptr<SinkRecorder> r(new SinkRecorder());
    const QByteArray server = serverAddress.toUtf8();
    QString why;
    r->pulse_ = PulseContext::connect(server.constData(), "lumenor sink recorder", &why);
    if (!r->pulse_) {
        *error = QStringLiteral("cannot connect to %1: %2").arg(serverAddress, why);
        return nullptr;
    }
    bool ready = false;
    {
        const PulseContext::Lock lock(*r->pulse_);
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kRate, 2};
        r->stream_ = r->pulse_->newStream("sink monitor", spec);
        if (r->stream_ != nullptr) {
            pa_stream_set_read_callback(
                r->stream_,
                [](pa_stream*, std::size_t, void* self) {
                    static_cast<SinkRecorder*>(self)->read();
                },
                r.get());
            pa_buffer_attr attr{};
            attr.maxlength = static_cast<std::uint32_t>(-1);
            // Tiny fragments make the sink render, and the monitor deliver, in tiny blocks.
            attr.fragsize = static_cast<std::uint32_t>(32 * kFrameBytes);
            const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING |
                                                              PA_STREAM_AUTO_TIMING_UPDATE |
                                                              PA_STREAM_ADJUST_LATENCY);
            const QByteArray device = source.toUtf8();
            ready = pa_stream_connect_record(r->stream_, device.constData(), &attr, flags) == 0 &&
                    r->pulse_->waitUntilReady(r->stream_);
        }
        if (!ready) {
            *error = QStringLiteral("cannot record %1: %2").arg(source, r->pulse_->lastError());
        }
    }
    if (!ready) {
        return nullptr;
    }
    return r;
}

SinkRecorder::~SinkRecorder() {
    if (stream_ != nullptr) {
        pulse_->closeStream(stream_);
    }
    // The connection's thread stops before the members it writes go.
    pulse_.reset();
}

// On the connection's thread. A hole in the stream is recorded as silence, so that frame
// numbers stay the stream's.
void SinkRecorder::read() {
    const std::int64_t arrived = monotonicNs();
    std::lock_guard<std::mutex> guard(lock_);
    const std::size_t first = interleaved_.size() / 2;
    while (pa_stream_readable_size(stream_) > 0) {
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) {
            break;
        }
        const auto* samples = static_cast<const float*>(data);
        const std::size_t count = bytes / sizeof(float);
        if (samples != nullptr) {
            interleaved_.insert(interleaved_.end(), samples, samples + count);
        } else {
            interleaved_.insert(interleaved_.end(), count, 0.0f);
        }
        pa_stream_drop(stream_);
    }
    if (interleaved_.size() / 2 > first) {
        ties_.emplace_back(first, arrived);
    }
}

SinkRecorder::Result SinkRecorder::stop() {
    {
        const PulseContext::Lock lock(*pulse_);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
    }
    std::lock_guard<std::mutex> guard(lock_);
    Result result;
    const std::size_t frames = interleaved_.size() / 2;
    result.audio.left.resize(frames);
    result.audio.right.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        result.audio.left[i] = interleaved_[2 * i];
        result.audio.right[i] = interleaved_[2 * i + 1];
    }
    fit(result);
    return result;
}

namespace {

struct Line {
    double intercept = 0.0;
    double slope = 0.0;
};

Line leastSquares(const std::vector<std::pair<double, double>>& points) {
    double sx = 0.0;
    double sy = 0.0;
    for (const auto& [x, y] : points) {
        sx += x;
        sy += y;
    }
    const double n = static_cast<double>(points.size());
    const double mx = sx / n;
    const double my = sy / n;
    double sxx = 0.0;
    double sxy = 0.0;
    for (const auto& [x, y] : points) {
        sxx += (x - mx) * (x - mx);
        sxy += (x - mx) * (y - my);
    }
    const double slope = sxx > 0.0 ? sxy / sxx : 0.0;
    return {my - slope * mx, slope};
}

}  // namespace

// Reads delayed by the scheduler stamp their frames late; those far from the line are
// dropped before it is fitted again.
void SinkRecorder::fit(Result& result) const {
    std::vector<std::pair<double, double>> points;
    for (const auto& [frame, arrived] : ties_) {
        points.emplace_back(static_cast<double>(frame), static_cast<double>(arrived));
    }
    if (points.size() < 100) {
        return;
    }
    Line line;
    std::vector<double> residuals;
    for (int round = 0; round < 4; ++round) {
        line = leastSquares(points);
        residuals.clear();
        for (const auto& [x, y] : points) {
            residuals.push_back(y - (line.intercept + line.slope * x));
        }
        std::vector<double> magnitudes;
        for (const double r : residuals) {
            magnitudes.push_back(std::fabs(r));
        }
        std::nth_element(magnitudes.begin(), magnitudes.begin() + magnitudes.size() / 2,
                         magnitudes.end());
        const double limit = std::max(3.0 * magnitudes[magnitudes.size() / 2], 200'000.0);
        std::vector<std::pair<double, double>> kept;
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (std::fabs(residuals[i]) <= limit) {
                kept.push_back(points[i]);
            }
        }
        points = std::move(kept);
    }
    std::sort(residuals.begin(), residuals.end());
    result.tied = true;
    result.originNs = line.intercept;
    result.nsPerFrame = line.slope;
    result.scatterNs =
        residuals[residuals.size() * 95 / 100] - residuals[residuals.size() * 5 / 100];
}

std::optional<std::int64_t> SinkRecorder::Result::timeOfFrame(std::size_t frame) const {
    if (!tied) {
        return std::nullopt;
    }
    return std::llround(originNs + nsPerFrame * static_cast<double>(frame));
}

}  // namespace lumenor::test
