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

void signalLoop(void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

}  // namespace

std::unique_ptr<SinkRecorder> SinkRecorder::start(const QString& serverAddress,
                                                  const QString& source, QString* error) {
    std::unique_ptr<SinkRecorder> r(new SinkRecorder());
    r->loop_ = pa_threaded_mainloop_new();
    r->context_ = pa_context_new(pa_threaded_mainloop_get_api(r->loop_), "lumenor sink recorder");
    pa_context_set_state_callback(
        r->context_, [](pa_context*, void* loop) { signalLoop(loop); }, r->loop_);
    const QByteArray server = serverAddress.toUtf8();
    if (pa_context_connect(r->context_, server.constData(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(r->loop_) < 0) {
        *error = QStringLiteral("cannot connect to %1").arg(serverAddress);
        return nullptr;
    }
    pa_threaded_mainloop_lock(r->loop_);
    while (pa_context_get_state(r->context_) != PA_CONTEXT_READY &&
           PA_CONTEXT_IS_GOOD(pa_context_get_state(r->context_))) {
        pa_threaded_mainloop_wait(r->loop_);
    }
    bool ready = pa_context_get_state(r->context_) == PA_CONTEXT_READY;
    if (ready) {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kRate, 2};
        r->stream_ = pa_stream_new(r->context_, "sink monitor", &spec, nullptr);
        pa_stream_set_state_callback(
            r->stream_, [](pa_stream*, void* loop) { signalLoop(loop); }, r->loop_);
        pa_stream_set_read_callback(
            r->stream_,
            [](pa_stream*, std::size_t, void* self) { static_cast<SinkRecorder*>(self)->read(); },
            r.get());
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        // Tiny fragments make the sink render, and the monitor deliver, in tiny blocks.
        attr.fragsize = static_cast<std::uint32_t>(32 * kFrameBytes);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        const QByteArray device = source.toUtf8();
        ready = pa_stream_connect_record(r->stream_, device.constData(), &attr, flags) == 0;
        while (ready && pa_stream_get_state(r->stream_) != PA_STREAM_READY) {
            ready = PA_STREAM_IS_GOOD(pa_stream_get_state(r->stream_));
            if (ready) {
                pa_threaded_mainloop_wait(r->loop_);
            }
        }
    }
    pa_threaded_mainloop_unlock(r->loop_);
    if (!ready) {
        *error = QStringLiteral("cannot record %1: %2")
                     .arg(source, QString::fromUtf8(pa_strerror(pa_context_errno(r->context_))));
        return nullptr;
    }
    return r;
}

SinkRecorder::~SinkRecorder() {
    if (loop_ == nullptr) {
        return;
    }
    pa_threaded_mainloop_lock(loop_);
    if (stream_ != nullptr) {
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
    if (context_ != nullptr) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
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
    pa_threaded_mainloop_lock(loop_);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_threaded_mainloop_unlock(loop_);
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
