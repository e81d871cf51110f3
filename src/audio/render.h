#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/pink_filter.h"
#include "audio/signal.h"

namespace lumenor {

inline constexpr double kAudioSampleRate = 44100.0;
inline constexpr int kAudioChannels = 2;
// 2π·1000/44100: the 1 kHz tone's phase step per sample.
inline constexpr double kTonePhaseIncrement = 0.14247585730565954;
inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr float kOutputLevel = 0.18f;
inline constexpr std::uint64_t kNoiseSeed = 0x2545F4914F6CDD1DULL;

// The three control fields the main thread hands to the render thread.
struct RenderControls {
    Signal signal = Signal::off;
    Channels channels = Channels::both;
    bool invertRight = false;
};

// What the render thread carries from one call to the next. Never reset, so switching signals
// resumes where the last one stopped.
struct RenderState {
    double phase = 0.0;
    PinkFilter pink;
    std::uint64_t rng = kNoiseSeed;
};

// Writes `frames` samples to each channel. A null `left` writes nothing; a null `right` (or the
// same pointer as `left`) puts both channels into one buffer, the right value written last.
// Arithmetic only: no allocation, no locks, no logging.
void renderSamples(const RenderControls& controls, RenderState& state, float* left, float* right,
                   std::size_t frames);

}  // namespace lumenor
