#pragma once

#include <memory>
#include <mutex>

#include "audio/audio_stream.h"
#include "audio/render.h"

namespace lumenor {

// The continuous test signals: a 1 kHz tone or pink noise at 0.18 (about -14.9 dBFS), on both
// channels or one, the right one optionally inverted. `apply` is the one control; the samples
// are made on the audio thread by renderSamples.
class AudioGenerator {
  public:
    explicit AudioGenerator(std::unique_ptr<AudioStream> stream);
    ~AudioGenerator();
    AudioGenerator(const AudioGenerator&) = delete;
    AudioGenerator& operator=(const AudioGenerator&) = delete;

    // `off` pauses the output; any other signal starts it if it is not running. A failed
    // start is dropped: nothing is heard until a later apply succeeds.
    void apply(Signal signal, Channels channels, bool invertRight);

    bool isPlaying() const { return stream_->isRunning(); }

  private:
    class Source : public AudioSource {
      public:
        explicit Source(AudioGenerator* owner) : owner_(owner) {}
        void render(float* left, float* right, std::size_t frames) override;

      private:
        AudioGenerator* owner_;
    };

    std::mutex lock_;
    RenderControls controls_;  // guarded by lock_
    RenderState state_;        // the audio thread's alone
    Source source_{this};
    std::unique_ptr<AudioStream> stream_;
};

}  // namespace lumenor
