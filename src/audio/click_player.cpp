#include "audio/click_player.h"

#include <algorithm>

#include "audio/render.h"

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
    if (buffer == nullptr || !ready_) {
        return;
    }
    if (!stream_->isRunning()) {
        stream_->start();
    }
    std::lock_guard<std::mutex> guard(lock_);
    scheduled_ = buffer;
}

void ClickPlayer::Source::render(float* left, float* right, std::size_t frames) {
    if (left == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(owner_->lock_);
        if (owner_->scheduled_ != nullptr) {
            playing_ = owner_->scheduled_;
            position_ = 0;
            owner_->scheduled_ = nullptr;
        }
    }
    std::size_t written = 0;
    if (playing_ != nullptr) {
        const std::vector<std::vector<float>>& ch = playing_->channels;
        const std::size_t count = std::min(frames, playing_->frames() - position_);
        std::copy_n(ch[0].begin() + static_cast<std::ptrdiff_t>(position_), count, left);
        if (right != nullptr && right != left) {
            const std::vector<float>& second = ch.size() > 1 ? ch[1] : ch[0];
            std::copy_n(second.begin() + static_cast<std::ptrdiff_t>(position_), count, right);
        }
        position_ += count;
        written = count;
        if (position_ >= playing_->frames()) {
            playing_ = nullptr;
        }
    }
    std::fill(left + written, left + frames, 0.0f);
    if (right != nullptr && right != left) {
        std::fill(right + written, right + frames, 0.0f);
    }
}

}  // namespace lumenor
