#include "audio/pulse_audio_stream.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <ctime>

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

void PulseAudioStream::onStateChange(void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseAudioStream*>(self)->loop_, 0);
}

bool PulseAudioStream::waitUntilReady() {
    while (true) {
        const pa_context_state_t c = pa_context_get_state(context_);
        if (!PA_CONTEXT_IS_GOOD(c)) {
            return false;
        }
        if (stream_ == nullptr && c == PA_CONTEXT_READY) {
            return true;
        }
        if (stream_ != nullptr) {
            const pa_stream_state_t s = pa_stream_get_state(stream_);
            if (s == PA_STREAM_READY) {
                return true;
            }
            if (!PA_STREAM_IS_GOOD(s)) {
                return false;
            }
        }
        pa_threaded_mainloop_wait(loop_);
    }
}

bool PulseAudioStream::open() {
    written_ = 0;
    lastTimingRequestNs_ = 0;
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
        lastError_ = QStringLiteral("cannot make a PulseAudio main loop");
        return false;
    }
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), qPrintable(streamName_));
    pa_context_set_state_callback(
        context_, [](pa_context*, void* self) { onStateChange(self); }, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0) {
        lastError_ = QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
        close();
        return false;
    }
    pa_threaded_mainloop_lock(loop_);
    bool ready = waitUntilReady();
    if (ready) {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(kAudioSampleRate),
                                  kAudioChannels};
        stream_ = pa_stream_new(context_, qPrintable(streamName_), &spec, nullptr);
        pa_stream_set_state_callback(
            stream_, [](pa_stream*, void* self) { onStateChange(self); }, this);
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
        ready = pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) == 0 &&
                waitUntilReady();
    }
    if (!ready) {
        lastError_ = QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
    }
    pa_threaded_mainloop_unlock(loop_);
    if (!ready) {
        close();
    }
    return ready;
}

void PulseAudioStream::close() {
    running_ = false;
    if (loop_ == nullptr) {
        return;
    }
    pa_threaded_mainloop_lock(loop_);
    if (stream_ != nullptr) {
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_ != nullptr) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
}

bool PulseAudioStream::start() {
    if (stream_ == nullptr && !open()) {
        return false;
    }
    pa_threaded_mainloop_lock(loop_);
    const bool good = PA_STREAM_IS_GOOD(pa_stream_get_state(stream_));
    if (good) {
        pa_operation* op = pa_stream_cork(stream_, 0, nullptr, nullptr);
        if (op != nullptr) {
            pa_operation_unref(op);
        }
    }
    pa_threaded_mainloop_unlock(loop_);
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
    pa_threaded_mainloop_lock(loop_);
    pa_operation* op = pa_stream_cork(stream_, 1, nullptr, nullptr);
    if (op != nullptr) {
        pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(loop_);
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
