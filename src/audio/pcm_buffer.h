#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace lumenor {

// A sound held in memory: the same number of float frames on every channel.
struct PcmBuffer {
    double sampleRate = 0.0;
    std::vector<std::vector<float>> channels;

    std::size_t frames() const { return channels.empty() ? 0 : channels.front().size(); }
};

// A decaying sine burst: frames = floor(rate × seconds), sample i is
// Float(sin(2π·hz·t) × exp(−decay·t)) × gain with t = i / rate, the same on every channel.
// None when the burst would be shorter than one frame.
std::optional<PcmBuffer> makeToneBurst(double sampleRate, int channelCount, double seconds,
                                       double hz, double decay, float gain);

// The bounce marker: 35 ms of 1600 Hz falling with exp(−130·t), peak 0.6.
std::optional<PcmBuffer> makeClickBuffer(double sampleRate, int channelCount);
// The count-second marker: 90 ms of 1000 Hz falling with exp(−35·t), peak 0.5.
std::optional<PcmBuffer> makeBeepBuffer(double sampleRate, int channelCount);

}  // namespace lumenor
