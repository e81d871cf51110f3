#pragma once

#include <memory>

#include "audio/audio_stream.h"

namespace lumenor {

// The sync markers' output: straight on PulseAudio, which says when each sample is heard, or,
// where no PulseAudio server answers, the general output (ALSA), whose clicks are untimed but
// still heard. Chosen at each start, so a server that comes up later is used.
class MarkerStream : public AudioStream {
  public:
    MarkerStream(std::unique_ptr<AudioStream> timed, std::unique_ptr<AudioStream> fallback)
        : timed_(std::move(timed)), fallback_(std::move(fallback)) {}

    void setSource(AudioSource* source) override {
        timed_->setSource(source);
        fallback_->setSource(source);
    }
    bool isRunning() const override { return active_ != nullptr && active_->isRunning(); }
    bool start() override {
        if (timed_->start()) {
            if (active_ == fallback_.get()) {
                fallback_->pause();
            }
            active_ = timed_.get();
            return true;
        }
        active_ = fallback_->start() ? fallback_.get() : nullptr;
        return active_ != nullptr;
    }
    void pause() override {
        if (active_ != nullptr) {
            active_->pause();
        }
    }
    QString lastError() const override { return fallback_->lastError(); }
    QString timingSource() const override {
        return active_ != nullptr ? active_->timingSource() : QString();
    }

  private:
    std::unique_ptr<AudioStream> timed_;
    std::unique_ptr<AudioStream> fallback_;
    AudioStream* active_ = nullptr;
};

// The markers' stream as the application and `show` use it: PulseAudio, else RtAudio's outputs.
std::unique_ptr<AudioStream> makeMarkerStream(const QString& name);

}  // namespace lumenor
