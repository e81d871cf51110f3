#include "audio/render.h"

#include <cmath>

namespace lumenor {

namespace {

float nextToneSample(RenderState& state) {
    const float s = static_cast<float>(std::sin(state.phase)) * kOutputLevel;
    state.phase += kTonePhaseIncrement;
    if (state.phase > kTwoPi) {
        state.phase -= kTwoPi;
    }
    return s;
}

float nextPinkSample(RenderState& state) {
    std::uint64_t x = state.rng;
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    state.rng = x;
    const float w = static_cast<float>(static_cast<std::int64_t>(x)) * 1.0842021724855044e-19f;
    PinkFilter& p = state.pink;
    p.b1 = 0.963f * p.b1 + 0.2965164f * w;
    p.b0 = 0.99765f * p.b0 + 0.099046f * w;
    p.b2 = 0.57f * p.b2 + 1.0526913f * w;
    return (((p.b1 + p.b0) + p.b2) + 0.1848f * w) * 0.2f * kOutputLevel;
}

}  // namespace

void renderSamples(const RenderControls& controls, RenderState& state, float* left, float* right,
                   std::size_t frames) {
    if (left == nullptr) {
        return;
    }
    if (right == nullptr) {
        right = left;
    }
    const bool leftOn = controls.channels != Channels::right;
    const bool rightOn = controls.channels != Channels::left;
    for (std::size_t i = 0; i < frames; ++i) {
        float s = 0.0f;
        if (controls.signal == Signal::tone) {
            s = nextToneSample(state);
        } else if (controls.signal == Signal::pink) {
            s = nextPinkSample(state);
        }
        const float r = controls.invertRight ? -s : s;
        left[i] = leftOn ? s : 0.0f;
        right[i] = rightOn ? r : 0.0f;
    }
}

}  // namespace lumenor
