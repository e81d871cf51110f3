#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace lumenor {

// Fills one callback's worth of output: 44100 Hz, two non-interleaved float channels. Called
// on the audio thread; `right` may be null when the output has one buffer only.
class AudioSource {
  public:
    virtual ~AudioSource() = default;
    virtual void render(float* left, float* right, std::size_t frames) = 0;
    // Called just before render by streams that know when their output is heard: the callback
    // began at `callbackNs` and the first frame it renders is heard at `heardAtNs`, both on the
    // monotonic clock (CLOCK_MONOTONIC, nanoseconds), the output's latency included.
    virtual void blockTiming(std::int64_t callbackNs, std::int64_t heardAtNs) {
        (void)callbackNs;
        (void)heardAtNs;
    }
};

// One output stream of 44100 Hz, 2 channels, 32-bit float, non-interleaved. The source is set
// once, before the first start. Failures are returned, never thrown.
class AudioStream {
  public:
    virtual ~AudioStream() = default;

    virtual void setSource(AudioSource* source) = 0;
    virtual bool isRunning() const = 0;
    // Opens the output if it is not open yet and starts the callbacks; false when no output
    // could be opened or started (a later call tries again).
    virtual bool start() = 0;
    // Stops the callbacks; the stream stays set up for the next start.
    virtual void pause() = 0;
    // Why the last start failed, for command-line messages.
    virtual QString lastError() const = 0;
    // The back end's figure that blockTiming is taken from, for the log; empty when the stream
    // reports no timing.
    virtual QString timingSource() const { return {}; }
};

}  // namespace lumenor
