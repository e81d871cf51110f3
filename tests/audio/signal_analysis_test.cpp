#include <gtest/gtest.h>

#include <cmath>

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

// The playback tests measure pitch, level, slope and bursts against expected values, so a
// broken measure fails them; the dropout check only ever expects a small residual, so here it
// must be seen to catch a single missing sample.
TEST(SignalAnalysisTest, TheSineResidualCatchesADroppedSample) {
    const std::vector<float> x = sine(997.0, 0.25f, 44100);
    EXPECT_LT(maxSineResidual(x, {0, x.size()}, 997.0, 44100), 1e-6);
    std::vector<float> dropped = sine(1000.0, 0.18f, 10000);
    dropped.erase(dropped.begin() + 5000);
    EXPECT_GT(maxSineResidual(dropped, {0, dropped.size()}, 1000.0, 44100), 1e-3);
}

}  // namespace
}  // namespace lumenor::test
