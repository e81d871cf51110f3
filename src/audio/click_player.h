#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "audio/audio_stream.h"
#include "audio/pcm_buffer.h"
#include "audio/sample_clock.h"

namespace lumenor {

// The sync markers that go with the animated patterns: a click per bounce and a beep per
// count second, synthesised once and played on a stream of their own. A sound is either
// played at once (at the next callback) or scheduled for a time on the monotonic clock, when
// its first frame is heard at that time to the frame. A new sound cuts off whatever still
// plays, so sounds never queue or overlap.
class ClickPlayer {
  public:
    // Sounds scheduled and not yet started; more are dropped.
    static constexpr std::size_t kMaxPending = 16;

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
    // Plays `buffer` so that its first frame is heard at `timeNs` (CLOCK_MONOTONIC ns) moved by
    // the sync offset. A time already passed plays at once; a stream that reports no timing
    // plays it at the next callback.
    void playAt(const PcmBuffer* buffer, std::int64_t timeNs);

    // Drops the sounds scheduled and not yet started (their pictures will not come).
    void cancelScheduled();

    // Moves every scheduled sound: positive is later. Milliseconds, default 0.
    void setSyncOffsetMs(double ms);
    double syncOffsetMs() const { return offsetNs_ / 1e6; }

    // How long after a callback its output is heard, as the stream last reported; none while
    // it has reported nothing.
    std::optional<std::int64_t> latencyNs() const;

  private:
    struct Marker {
        const PcmBuffer* buffer = nullptr;
        std::optional<std::int64_t> timeNs;  // none: at once
    };

    class Source : public AudioSource {
      public:
        explicit Source(ClickPlayer* owner);
        void render(float* left, float* right, std::size_t frames) override;
        void blockTiming(std::int64_t callbackNs, std::int64_t heardAtNs) override;

      private:
        struct Start {
            const PcmBuffer* buffer;
            std::size_t frame;  // within the block
        };
        std::size_t takeDue(std::size_t frames, std::array<Start, kMaxPending>& due);
        void write(float* left, float* right, std::size_t from, std::size_t to);

        ClickPlayer* owner_;
        // The audio thread's alone:
        SampleClock clock_;
        std::int64_t position_ = 0;  // frames rendered so far
        std::optional<std::int64_t> heardAt_;
        const PcmBuffer* playing_ = nullptr;
        std::size_t playingFrame_ = 0;

        friend class ClickPlayer;
    };

    void enqueue(Marker marker);
    void logTimingOnce();

    std::optional<PcmBuffer> click_;
    std::optional<PcmBuffer> beep_;
    bool ready_ = false;
    std::int64_t offsetNs_ = 0;
    bool timingLogged_ = false;
    std::mutex lock_;
    std::array<Marker, kMaxPending> pending_;  // guarded by lock_
    std::size_t pendingCount_ = 0;             // guarded by lock_
    std::atomic<std::int64_t> latencyNs_{-1};
    Source source_{this};
    std::unique_ptr<AudioStream> stream_;  // last, so it stops before the rest goes
};

}  // namespace lumenor
