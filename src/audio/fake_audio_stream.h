#pragma once

#include <cstdint>
#include <vector>

#include "audio/audio_stream.h"

namespace lumenor {

// Stands in for the audio output in logic tests: starts when told whether it may, and renders
// callbacks on demand on the calling thread.
class FakeAudioStream : public AudioStream {
  public:
    struct Log {
        int starts = 0;  // start() calls, failed ones included
        int pauses = 0;
        bool running = false;
        bool startFails = false;
        AudioSource* source = nullptr;
        bool timed = false;  // reports its timing, as renderTimed does
    };

    explicit FakeAudioStream(Log* log) : log_(log) {}

    void setSource(AudioSource* source) override { log_->source = source; }
    bool isRunning() const override { return log_->running; }
    bool start() override {
        ++log_->starts;
        log_->running = !log_->startFails;
        return log_->running;
    }
    void pause() override {
        ++log_->pauses;
        log_->running = false;
    }
    QString lastError() const override {
        return log_->startFails ? QStringLiteral("fake output refused to start") : QString();
    }
    QString timingSource() const override {
        return log_->timed ? QStringLiteral("the fake stream's report") : QString();
    }

  private:
    Log* log_;
};

// One callback of `frames` frames from the stream's source, as two channels.
struct RenderedBlock {
    std::vector<float> left;
    std::vector<float> right;
};

inline RenderedBlock renderFrom(const FakeAudioStream::Log& log, std::size_t frames) {
    RenderedBlock block{std::vector<float>(frames, 7.0f), std::vector<float>(frames, 7.0f)};
    if (log.source != nullptr) {
        log.source->render(block.left.data(), block.right.data(), frames);
    }
    return block;
}

// The same from a stream that reports its timing: the callback runs at `callbackNs` and its
// first frame is heard at `heardAtNs`.
inline RenderedBlock renderTimed(const FakeAudioStream::Log& log, std::size_t frames,
                                 std::int64_t callbackNs, std::int64_t heardAtNs) {
    if (log.source != nullptr) {
        log.source->blockTiming(callbackNs, heardAtNs);
    }
    return renderFrom(log, frames);
}

}  // namespace lumenor
