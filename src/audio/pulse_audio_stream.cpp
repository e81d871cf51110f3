#include "audio/pulse_audio_stream.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "audio/pulse_context.h"
#include "audio/render.h"

namespace lumenor {

namespace {

constexpr std::size_t kBlockFrames = 512;
constexpr std::size_t kFrameBytes = sizeof(float) * kAudioChannels;
// Long enough that a busy machine rarely leaves a gap, short enough to keep the markers' lead
// small. The user's PULSE_LATENCY_MSEC still wins.
constexpr pa_usec_t kTargetLatencyUsec = 100'000;
// How often the server is asked where it is playing: often enough to follow a sound card whose
// clock runs apart from the system's.
constexpr std::int64_t kTimingEveryNs = 50'000'000;

std::int64_t monotonicNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// The server stamps its timing reports on the wall clock; the markers live on the monotonic
// one.
std::int64_t toMonotonicNs(const timeval& wall) {
    timespec real{};
    timespec mono{};
    clock_gettime(CLOCK_REALTIME, &real);
    clock_gettime(CLOCK_MONOTONIC, &mono);
    const std::int64_t realNs = real.tv_sec * 1'000'000'000LL + real.tv_nsec;
    const std::int64_t monoNs = mono.tv_sec * 1'000'000'000LL + mono.tv_nsec;
    const std::int64_t wallNs = wall.tv_sec * 1'000'000'000LL + wall.tv_usec * 1000LL;
    return monoNs - (realNs - wallNs);
}

}  // namespace

PulseAudioStream::PulseAudioStream(QString streamName) : streamName_(std::move(streamName)) {}

PulseAudioStream::~PulseAudioStream() {
    close();
}

QString PulseAudioStream::timingSource() const {
    return QStringLiteral(
        "PulseAudio's timing reports (the stream's read index and the sink's "
        "latency)");
}

bool PulseAudioStream::open() {
    written_ = 0;
    lastTimingRequestNs_ = 0;
    pulse_ = PulseContext::connect(nullptr, qPrintable(streamName_), &lastError_);
    if (!pulse_) {
        return false;
    }
    bool ready = false;
    {
        const PulseContext::Lock lock(*pulse_);
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(kAudioSampleRate),
                                  kAudioChannels};
        stream_ = pulse_->newStream(qPrintable(streamName_), spec);
        if (stream_ != nullptr) {
            pa_stream_set_write_callback(stream_, &PulseAudioStream::onWrite, this);
            pa_buffer_attr attr;
            attr.maxlength = static_cast<std::uint32_t>(-1);
            attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kTargetLatencyUsec, &spec));
            // No prebuffering: after a gap the server plays on from where the stream should be
            // rather than waiting for it, so every frame keeps the time it was written for.
            attr.prebuf = 0;
            attr.minreq = static_cast<std::uint32_t>(kBlockFrames * kFrameBytes);
            attr.fragsize = static_cast<std::uint32_t>(-1);
            const auto flags = static_cast<pa_stream_flags_t>(
                PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
            ready =
                pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) == 0 &&
                pulse_->waitUntilReady(stream_);
        }
        if (!ready) {
            lastError_ = pulse_->lastError();
        }
    }
    if (!ready) {
        close();
    }
    return ready;
}

void PulseAudioStream::close() {
    running_ = false;
    if (stream_ != nullptr) {
        pulse_->closeStream(stream_);
        stream_ = nullptr;
    }
    pulse_.reset();
}

bool PulseAudioStream::start() {
    if (stream_ == nullptr && !open()) {
        return false;
    }
    bool good = false;
    {
        const PulseContext::Lock lock(*pulse_);
        good = PA_STREAM_IS_GOOD(pa_stream_get_state(stream_));
        if (good) {
            pa_operation* op = pa_stream_cork(stream_, 0, nullptr, nullptr);
            if (op != nullptr) {
                pa_operation_unref(op);
            }
        }
    }
    if (!good) {
        lastError_ = QStringLiteral("the sound server closed the stream");
        close();
        return false;
    }
    running_ = true;
    return true;
}

void PulseAudioStream::pause() {
    if (!running_) {
        return;
    }
    {
        const PulseContext::Lock lock(*pulse_);
        pa_operation* op = pa_stream_cork(stream_, 1, nullptr, nullptr);
        if (op != nullptr) {
            pa_operation_unref(op);
        }
    }
    running_ = false;
}

void PulseAudioStream::onWrite(pa_stream*, std::size_t bytes, void* self) {
    static_cast<PulseAudioStream*>(self)->fill(bytes);
}

// When the frame at `position` (frames written since the stream opened) is heard, from the
// server's latest timing report: at the report's time the frame at its read index was a sink
// latency away from being heard. None before the first report or while it is unusable.
std::optional<std::int64_t> PulseAudioStream::heardAt(std::int64_t position) const {
    const pa_timing_info* info = pa_stream_get_timing_info(stream_);
    if (info == nullptr || info->read_index_corrupt != 0 || info->playing == 0) {
        return std::nullopt;
    }
    const auto readFrames = static_cast<std::int64_t>(info->read_index / kFrameBytes);
    const double ahead =
        static_cast<double>(position - readFrames) * 1e9 / static_cast<double>(kAudioSampleRate);
    return toMonotonicNs(info->timestamp) + static_cast<std::int64_t>(info->sink_usec) * 1000 +
           static_cast<std::int64_t>(ahead);
}

void PulseAudioStream::requestTiming(std::int64_t now) {
    if (now - lastTimingRequestNs_ < kTimingEveryNs) {
        return;
    }
    lastTimingRequestNs_ = now;
    pa_operation* op = pa_stream_update_timing_info(stream_, nullptr, nullptr);
    if (op != nullptr) {
        pa_operation_unref(op);
    }
}

// Runs on the server connection's thread with its lock held.
void PulseAudioStream::fill(std::size_t bytes) {
    std::size_t frames = bytes / kFrameBytes;
    left_.resize(kBlockFrames);
    right_.resize(kBlockFrames);
    interleaved_.resize(kBlockFrames * kAudioChannels);
    const std::int64_t now = monotonicNs();
    requestTiming(now);
    while (frames > 0) {
        const std::size_t n = std::min(frames, kBlockFrames);
        if (source_ != nullptr) {
            if (const std::optional<std::int64_t> heard = heardAt(written_)) {
                source_->blockTiming(now, *heard);
            }
            source_->render(left_.data(), right_.data(), n);
        } else {
            std::fill(left_.begin(), left_.end(), 0.0f);
            std::fill(right_.begin(), right_.end(), 0.0f);
        }
        for (std::size_t i = 0; i < n; ++i) {
            interleaved_[2 * i] = left_[i];
            interleaved_[2 * i + 1] = right_[i];
        }
        pa_stream_write(stream_, interleaved_.data(), n * kFrameBytes, nullptr, 0,
                        PA_SEEK_RELATIVE);
        written_ += static_cast<std::int64_t>(n);
        frames -= n;
    }
}

}  // namespace lumenor
