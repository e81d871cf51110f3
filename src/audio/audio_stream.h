#pragma once

#include <QString>

#include <cstddef>

namespace lumenor {

// Fills one callback's worth of output: 44100 Hz, two non-interleaved float channels. Called
// on the audio thread; `right` may be null when the output has one buffer only.
class AudioSource {
  public:
    virtual ~AudioSource() = default;
    virtual void render(float* left, float* right, std::size_t frames) = 0;
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
};

}  // namespace lumenor
