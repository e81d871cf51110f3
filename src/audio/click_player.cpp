#include "audio/click_player.h"

#include <algorithm>
#include <cmath>

#include "audio/render.h"
#include "core/log.h"

namespace lumenor {

ClickPlayer::ClickPlayer(std::unique_ptr<AudioStream> stream)
    : click_(makeClickBuffer(kAudioSampleRate, kAudioChannels)),
      beep_(makeBeepBuffer(kAudioSampleRate, kAudioChannels)),
      stream_(std::move(stream)) {
    stream_->setSource(&source_);
    ready_ = stream_->start();
}

ClickPlayer::~ClickPlayer() = default;

void ClickPlayer::play(const PcmBuffer* buffer) {
    enqueue({buffer, std::nullopt});
}

void ClickPlayer::playAt(const PcmBuffer* buffer, std::int64_t timeNs) {
    enqueue({buffer, timeNs + offsetNs_});
    logTimingOnce();
}

void ClickPlayer::cancelScheduled() {
    std::lock_guard<std::mutex> guard(lock_);
    pendingCount_ = 0;
}

void ClickPlayer::setSyncOffsetMs(double ms) {
    offsetNs_ = std::isfinite(ms) ? std::llround(ms * 1e6) : 0;
}

std::optional<std::int64_t> ClickPlayer::latencyNs() const {
    const std::int64_t latency = latencyNs_.load(std::memory_order_relaxed);
    return latency < 0 ? std::nullopt : std::optional<std::int64_t>(latency);
}

void ClickPlayer::enqueue(Marker marker) {
    if (marker.buffer == nullptr || !ready_) {
        return;
    }
    if (!stream_->isRunning()) {
        stream_->start();
    }
    std::lock_guard<std::mutex> guard(lock_);
    if (!marker.timeNs) {
        // A sound played at once replaces every one still waiting for its time.
        pendingCount_ = 0;
    }
    if (pendingCount_ < pending_.size()) {
        pending_[pendingCount_++] = marker;
    }
}

void ClickPlayer::logTimingOnce() {
    if (timingLogged_) {
        return;
    }
    const QString source = stream_->timingSource();
    const std::optional<std::int64_t> latency = latencyNs();
    if (source.isEmpty()) {
        timingLogged_ = true;
        qCInfo(logApp,
               "sync markers: the audio output reports no timing; each marker plays at "
               "the next callback");
    } else if (latency) {
        timingLogged_ = true;
        qCInfo(logApp, "sync markers are timed from %s: %.1f ms from callback to sound",
               qUtf8Printable(source), static_cast<double>(*latency) / 1e6);
    }
}

ClickPlayer::Source::Source(ClickPlayer* owner) : owner_(owner), clock_(kAudioSampleRate) {}

void ClickPlayer::Source::blockTiming(std::int64_t callbackNs, std::int64_t heardAtNs) {
    heardAt_ = heardAtNs;
    owner_->latencyNs_.store(std::max<std::int64_t>(heardAtNs - callbackNs, 0),
                             std::memory_order_relaxed);
}

// The markers that start within the coming block, in the order they start; those still
// ahead stay queued. Without timing every marker starts with the block.
std::size_t ClickPlayer::Source::takeDue(std::size_t frames, std::array<Start, kMaxPending>& due) {
    std::size_t count = 0;
    std::lock_guard<std::mutex> guard(owner_->lock_);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < owner_->pendingCount_; ++i) {
        const Marker& m = owner_->pending_[i];
        std::int64_t start = 0;
        if (m.timeNs && clock_.isKnown()) {
            start = std::max<std::int64_t>(*clock_.frameAt(*m.timeNs) - position_, 0);
        }
        if (start < static_cast<std::int64_t>(frames)) {
            due[count++] = {m.buffer, static_cast<std::size_t>(start)};
        } else {
            owner_->pending_[kept++] = m;
        }
    }
    owner_->pendingCount_ = kept;
    std::stable_sort(due.begin(), due.begin() + static_cast<std::ptrdiff_t>(count),
                     [](const Start& a, const Start& b) { return a.frame < b.frame; });
    return count;
}

void ClickPlayer::Source::render(float* left, float* right, std::size_t frames) {
    if (left == nullptr) {
        return;
    }
    if (heardAt_) {
        clock_.observe(position_, *heardAt_);
        heardAt_.reset();
    }
    std::array<Start, kMaxPending> due{};
    const std::size_t count = takeDue(frames, due);
    std::size_t cursor = 0;
    for (std::size_t i = 0; i < count; ++i) {
        write(left, right, cursor, due[i].frame);
        playing_ = due[i].buffer;
        playingFrame_ = 0;
        cursor = due[i].frame;
    }
    write(left, right, cursor, frames);
    position_ += static_cast<std::int64_t>(frames);
}

// Frames [from, to) of the block: the sound playing, then silence once it has ended.
void ClickPlayer::Source::write(float* left, float* right, std::size_t from, std::size_t to) {
    const bool twoBuffers = right != nullptr && right != left;
    std::size_t at = from;
    if (playing_ != nullptr && at < to) {
        const std::vector<std::vector<float>>& ch = playing_->channels;
        const std::size_t count = std::min(to - at, playing_->frames() - playingFrame_);
        const auto first = static_cast<std::ptrdiff_t>(playingFrame_);
        std::copy_n(ch[0].begin() + first, count, left + at);
        if (twoBuffers) {
            const std::vector<float>& second = ch.size() > 1 ? ch[1] : ch[0];
            std::copy_n(second.begin() + first, count, right + at);
        }
        playingFrame_ += count;
        at += count;
        if (playingFrame_ >= playing_->frames()) {
            playing_ = nullptr;
        }
    }
    std::fill(left + at, left + to, 0.0f);
    if (twoBuffers) {
        std::fill(right + at, right + to, 0.0f);
    }
}

}  // namespace lumenor
