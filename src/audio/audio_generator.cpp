#include "audio/audio_generator.h"

namespace lumenor {

AudioGenerator::AudioGenerator(std::unique_ptr<AudioStream> stream) : stream_(std::move(stream)) {
    stream_->setSource(&source_);
}

// The stream goes first, so no callback can reach a generator that is being destroyed.
AudioGenerator::~AudioGenerator() {
    stream_.reset();
}

void AudioGenerator::apply(Signal signal, Channels channels, bool invertRight) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        controls_ = RenderControls{signal, channels, invertRight};
    }
    if (signal == Signal::off) {
        stream_->pause();
        return;
    }
    if (!stream_->isRunning()) {
        stream_->start();
    }
}

void AudioGenerator::Source::render(float* left, float* right, std::size_t frames) {
    RenderControls controls;
    {
        std::lock_guard<std::mutex> guard(owner_->lock_);
        controls = owner_->controls_;
    }
    renderSamples(controls, owner_->state_, left, right, frames);
}

}  // namespace lumenor
