#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/signal_analysis.h"

namespace lumenor::test {
namespace {

std::vector<float> sine(double hz, float amp, std::size_t n) {
    std::vector<float> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = amp * static_cast<float>(std::sin(2 * M_PI * hz * i / 44100.0));
    }
    return x;
}

TEST(SignalAnalysisTest, MeasuresAKnownSineAndCatchesADroppedSample) {
    const std::vector<float> x = sine(997.0, 0.25f, 44100);
    const Span all{0, x.size()};
    EXPECT_NEAR(zeroCrossingFrequency(x, all, 44100), 997.0, 0.01);
    EXPECT_NEAR(peak(x, all), 0.25f, 1e-4);
    EXPECT_LT(maxSineResidual(x, all, 997.0, 44100), 1e-6);
    // One dropped sample breaks the sine.
    std::vector<float> dropped = sine(1000.0, 0.18f, 10000);
    dropped.erase(dropped.begin() + 5000);
    EXPECT_GT(maxSineResidual(dropped, {0, dropped.size()}, 1000.0, 44100), 1e-3);
}

TEST(SignalAnalysisTest, WhiteNoiseIsFlatAndIntegratedNoiseFalls) {
    std::mt19937 gen(1);
    std::normal_distribution<float> d(0, 0.1f);
    std::vector<float> white(1 << 18);
    for (float& s : white) {
        s = d(gen);
    }
    const Span all{0, white.size()};
    EXPECT_NEAR(spectralSlopeDbPerOctave(white, all, 44100, 100, 10000), 0.0, 0.5);
    // A leaky integrator falls 6 dB per octave above its corner.
    std::vector<float> brown(white.size());
    float acc = 0;
    for (std::size_t i = 0; i < white.size(); ++i) {
        acc = 0.999f * acc + white[i];
        brown[i] = acc;
    }
    EXPECT_NEAR(spectralSlopeDbPerOctave(brown, all, 44100, 200, 6400), -6.0, 1.0);
}

TEST(SignalAnalysisTest, BurstsSplitOnGaps) {
    std::vector<float> x(1000, 0.0f);
    for (std::size_t i = 100; i < 200; ++i) {
        x[i] = 0.5f;
    }
    for (std::size_t i = 600; i < 650; ++i) {
        x[i] = -0.5f;
    }
    const std::vector<Span> b = bursts(x, 0.01f, 50);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].begin, 100u);
    EXPECT_EQ(b[0].length(), 100u);
    EXPECT_EQ(b[1].length(), 50u);
    EXPECT_NEAR(correlation(x, x, {0, 1000}), 1.0, 1e-12);
}

}  // namespace
}  // namespace lumenor::test
