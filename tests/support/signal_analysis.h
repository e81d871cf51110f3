#pragma once

#include <cstddef>
#include <vector>

namespace lumenor::test {

// Measurements on recorded audio, written here from first principles.

struct Span {
    std::size_t begin = 0;  // first sample
    std::size_t end = 0;    // one past the last sample
    std::size_t length() const { return end - begin; }
};

// From the first to the last sample whose magnitude exceeds `threshold`; empty when none does.
Span activeSpan(const std::vector<float>& x, float threshold);

// Runs of samples above `threshold`, split where `minGap` or more samples in a row are not.
std::vector<Span> bursts(const std::vector<float>& x, float threshold, std::size_t minGap);

float peak(const std::vector<float>& x, Span span);
// 20·log10 of the peak magnitude; -inf for exact silence.
double peakDbfs(const std::vector<float>& x, Span span);

// Frequency from upward zero crossings, interpolated between samples.
double zeroCrossingFrequency(const std::vector<float>& x, Span span, double rate);

// Pearson correlation of two channels over a span.
double correlation(const std::vector<float>& a, const std::vector<float>& b, Span span);

// Largest |x[n+1] + x[n-1] - 2cos(w)·x[n]| in the span: near zero for an unbroken sine of
// angular step w, large where samples are missing, repeated or the phase jumps.
double maxSineResidual(const std::vector<float>& x, Span span, double hz, double rate);

// The slope, in dB per octave, of a least-squares line through the averaged power spectrum's
// octave-band densities between `lowHz` and `highHz` (Welch's method, Hann window).
double spectralSlopeDbPerOctave(const std::vector<float>& x, Span span, double rate, double lowHz,
                                double highHz);

}  // namespace lumenor::test
