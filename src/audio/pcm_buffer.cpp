#include "audio/pcm_buffer.h"

#include <cmath>

namespace lumenor {

std::optional<PcmBuffer> makeToneBurst(double sampleRate, int channelCount, double seconds,
                                       double hz, double decay, float gain) {
    const double count = std::floor(sampleRate * seconds);
    if (!(count >= 1.0) || channelCount < 1) {
        return std::nullopt;
    }
    const auto frames = static_cast<std::size_t>(count);
    std::vector<float> samples(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double v = std::sin(2.0 * M_PI * hz * t) * std::exp(-decay * t);
        samples[i] = static_cast<float>(v) * gain;
    }
    PcmBuffer buffer;
    buffer.sampleRate = sampleRate;
    buffer.channels.assign(static_cast<std::size_t>(channelCount), samples);
    return buffer;
}

std::optional<PcmBuffer> makeClickBuffer(double sampleRate, int channelCount) {
    return makeToneBurst(sampleRate, channelCount, 0.035, 1600.0, 130.0, 0.6f);
}

std::optional<PcmBuffer> makeBeepBuffer(double sampleRate, int channelCount) {
    return makeToneBurst(sampleRate, channelCount, 0.09, 1000.0, 35.0, 0.5f);
}

}  // namespace lumenor
