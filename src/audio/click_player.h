#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "audio/audio_stream.h"
#include "audio/pcm_buffer.h"

namespace lumenor {

// The sync markers that go with the animated patterns: a click per bounce and a beep per
// count second, synthesised once and played on a stream of their own. A new sound starts at
// the next callback and cuts off whatever still plays, so sounds never queue or overlap.
class ClickPlayer {
  public:
    // Makes both sounds and starts the stream; `isReady` tells whether that start succeeded.
    explicit ClickPlayer(std::unique_ptr<AudioStream> stream);
    ~ClickPlayer();
    ClickPlayer(const ClickPlayer&) = delete;
    ClickPlayer& operator=(const ClickPlayer&) = delete;

    const PcmBuffer* clickBuffer() const { return click_ ? &*click_ : nullptr; }
    const PcmBuffer* beepBuffer() const { return beep_ ? &*beep_ : nullptr; }
    bool isReady() const { return ready_; }

    // Nothing happens for a null buffer or when the stream did not start at creation.
    void play(const PcmBuffer* buffer);

  private:
    class Source : public AudioSource {
      public:
        explicit Source(ClickPlayer* owner) : owner_(owner) {}
        void render(float* left, float* right, std::size_t frames) override;

      private:
        ClickPlayer* owner_;
        const PcmBuffer* playing_ = nullptr;  // the audio thread's alone
        std::size_t position_ = 0;
    };

    std::optional<PcmBuffer> click_;
    std::optional<PcmBuffer> beep_;
    bool ready_ = false;
    std::mutex lock_;
    const PcmBuffer* scheduled_ = nullptr;  // guarded by lock_; taken by the next callback
    Source source_{this};
    std::unique_ptr<AudioStream> stream_;  // last, so it stops before the rest goes
};

}  // namespace lumenor
