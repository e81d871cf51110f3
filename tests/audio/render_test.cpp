#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/render.h"

namespace lumenor {
namespace {

struct Block {
    std::vector<float> left;
    std::vector<float> right;
};

Block render(const RenderControls& c, RenderState& state, std::size_t frames) {
    Block b{std::vector<float>(frames, 9.0f), std::vector<float>(frames, 9.0f)};
    renderSamples(c, state, b.left.data(), b.right.data(), frames);
    return b;
}

bool bitEqual(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The tone written out from the formulas, independently of the code under test.
std::vector<float> expectedTone(std::size_t frames) {
    std::vector<float> out;
    double phase = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        out.push_back(static_cast<float>(std::sin(phase)) * 0.18f);
        phase += 2.0 * M_PI * 1000.0 / 44100.0;
        if (phase > 2.0 * M_PI) {
            phase -= 2.0 * M_PI;
        }
    }
    return out;
}

std::vector<float> expectedPink(std::size_t frames) {
    std::vector<float> out;
    std::uint64_t rng = 0x2545F4914F6CDD1DULL;
    float b0 = 0, b1 = 0, b2 = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        rng ^= rng << 13;
        rng ^= rng >> 7;
        rng ^= rng << 17;
        const float w = static_cast<float>(static_cast<std::int64_t>(rng)) * std::ldexp(1.0f, -63);
        b1 = 0.963f * b1 + 0.2965164f * w;
        b0 = 0.99765f * b0 + 0.099046f * w;
        b2 = 0.57f * b2 + 1.0526913f * w;
        out.push_back((((b1 + b0) + b2) + 0.1848f * w) * 0.2f * 0.18f);
    }
    return out;
}

TEST(RenderTest, PhaseIncrementIsTheOneKilohertzStep) {
    EXPECT_DOUBLE_EQ(kTonePhaseIncrement, 2.0 * M_PI * 1000.0 / 44100.0);
    EXPECT_DOUBLE_EQ(kTwoPi, 2.0 * M_PI);
}

TEST(RenderTest, ToneMatchesTheFormulaSampleForSample) {
    RenderState state;
    const Block b = render({Signal::tone, Channels::both, false}, state, 44100);
    const std::vector<float> want = expectedTone(44100);
    EXPECT_TRUE(bitEqual(b.left[0], 0.0f));
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_TRUE(bitEqual(b.left[i], want[i])) << "frame " << i;
        ASSERT_TRUE(bitEqual(b.right[i], want[i])) << "frame " << i;
    }
}

TEST(RenderTest, TonePeakIsTheOutputLevel) {
    RenderState state;
    const Block b = render({Signal::tone, Channels::both, false}, state, 4410);
    float peak = 0;
    for (float s : b.left) {
        peak = std::max(peak, std::fabs(s));
    }
    EXPECT_LE(peak, 0.18f);
    EXPECT_GT(peak, 0.1799f);
}

TEST(RenderTest, PhaseAfterKSamplesIsReducedBySingleSubtractions) {
    RenderState state;
    double want = 0.0;
    for (int k = 1; k <= 1000; ++k) {
        render({Signal::tone, Channels::both, false}, state, 1);
        want += 0.14247585730565954;
        if (want > 6.283185307179586) {
            want -= 6.283185307179586;
        }
        ASSERT_EQ(state.phase, want) << "after " << k << " samples";
        ASSERT_GE(state.phase, 0.0);
        ASSERT_LE(state.phase, kTwoPi);
    }
}

TEST(RenderTest, FirstWhiteValueComesFromTheSeedAdvancedOnce) {
    RenderState state;
    const Block b = render({Signal::pink, Channels::both, false}, state, 1);
    std::uint64_t x = 0x2545F4914F6CDD1DULL;
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    EXPECT_EQ(state.rng, x);
    const float w = static_cast<float>(static_cast<std::int64_t>(x)) * 1.0842021724855044e-19f;
    EXPECT_TRUE(bitEqual(state.pink.b1, 0.2965164f * w));
    EXPECT_TRUE(bitEqual(state.pink.b0, 0.099046f * w));
    EXPECT_TRUE(bitEqual(state.pink.b2, 1.0526913f * w));
    EXPECT_TRUE(bitEqual(b.left[0], expectedPink(1)[0]));
}

TEST(RenderTest, PinkSequenceIsTheSameOnEveryRun) {
    const std::vector<float> want = expectedPink(20000);
    for (int run = 0; run < 2; ++run) {
        RenderState state;
        const Block b = render({Signal::pink, Channels::both, false}, state, want.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            ASSERT_TRUE(bitEqual(b.left[i], want[i])) << "run " << run << " frame " << i;
        }
    }
}

TEST(RenderTest, PinkStaysWithinFullScale) {
    RenderState state;
    const Block b = render({Signal::pink, Channels::both, false}, state, 441000);
    double sumSquares = 0;
    for (float s : b.left) {
        ASSERT_LT(std::fabs(s), 1.0f);
        sumSquares += double(s) * s;
    }
    EXPECT_GT(sumSquares / b.left.size(), 1e-5);
}

TEST(RenderTest, OffWritesZeroesAndKeepsTheState) {
    RenderState state;
    render({Signal::tone, Channels::both, false}, state, 10);
    const double phase = state.phase;
    const Block b = render({Signal::off, Channels::both, false}, state, 64);
    for (std::size_t i = 0; i < 64; ++i) {
        ASSERT_TRUE(bitEqual(b.left[i], 0.0f));
        ASSERT_TRUE(bitEqual(b.right[i], 0.0f));
    }
    EXPECT_EQ(state.phase, phase);
    EXPECT_EQ(state.rng, kNoiseSeed);
}

TEST(RenderTest, LeftOnlyLeavesTheRightAtZero) {
    RenderState state;
    const Block b = render({Signal::tone, Channels::left, false}, state, 1000);
    const std::vector<float> want = expectedTone(1000);
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_TRUE(bitEqual(b.left[i], want[i]));
        ASSERT_TRUE(bitEqual(b.right[i], 0.0f));
    }
}

TEST(RenderTest, RightOnlyInvertedGivesSilentLeftAndNegatedTone) {
    RenderState state;
    const Block b = render({Signal::tone, Channels::right, true}, state, 1000);
    const std::vector<float> want = expectedTone(1000);
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_TRUE(bitEqual(b.left[i], 0.0f));
        ASSERT_TRUE(bitEqual(b.right[i], -want[i]));
    }
}

TEST(RenderTest, InversionNegatesEveryFrameIncludingZero) {
    for (Signal signal : {Signal::tone, Signal::pink, Signal::off}) {
        RenderState state;
        const Block b = render({signal, Channels::both, true}, state, 2000);
        for (std::size_t i = 0; i < 2000; ++i) {
            ASSERT_TRUE(bitEqual(b.right[i], -b.left[i])) << rawName(signal).toStdString() << i;
        }
        EXPECT_TRUE(std::signbit(b.right[0]) != std::signbit(b.left[0]));
    }
}

TEST(RenderTest, OneBufferEndsWithTheRightChannelsValues) {
    RenderState state;
    std::vector<float> only(500, 9.0f);
    renderSamples({Signal::tone, Channels::both, true}, state, only.data(), nullptr, only.size());
    const std::vector<float> want = expectedTone(500);
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_TRUE(bitEqual(only[i], -want[i])) << "frame " << i;
    }
}

TEST(RenderTest, OneBufferLeftOnlyEndsSilent) {
    RenderState state;
    std::vector<float> only(100, 9.0f);
    renderSamples({Signal::tone, Channels::left, false}, state, only.data(), nullptr, only.size());
    for (float s : only) {
        ASSERT_TRUE(bitEqual(s, 0.0f));
    }
    EXPECT_NE(state.phase, 0.0);
}

TEST(RenderTest, NoLeftBufferWritesNothing) {
    RenderState state;
    std::vector<float> right(16, 9.0f);
    renderSamples({Signal::tone, Channels::both, false}, state, nullptr, right.data(), 16);
    for (float s : right) {
        EXPECT_EQ(s, 9.0f);
    }
    EXPECT_EQ(state.phase, 0.0);
}

TEST(RenderTest, ToneResumesItsPhaseAfterPink) {
    RenderState state;
    const Block first = render({Signal::tone, Channels::both, false}, state, 300);
    render({Signal::pink, Channels::both, false}, state, 777);
    const Block second = render({Signal::tone, Channels::both, false}, state, 300);
    const std::vector<float> want = expectedTone(600);
    for (std::size_t i = 0; i < 300; ++i) {
        ASSERT_TRUE(bitEqual(first.left[i], want[i]));
        ASSERT_TRUE(bitEqual(second.left[i], want[300 + i])) << "frame " << i;
    }
}

TEST(RenderTest, PinkResumesItsSequenceAfterTone) {
    RenderState state;
    render({Signal::pink, Channels::both, false}, state, 100);
    render({Signal::tone, Channels::both, false}, state, 55);
    const Block b = render({Signal::pink, Channels::both, false}, state, 100);
    const std::vector<float> want = expectedPink(200);
    for (std::size_t i = 0; i < 100; ++i) {
        ASSERT_TRUE(bitEqual(b.left[i], want[100 + i]));
    }
}

TEST(SignalTest, RawNamesRoundTrip) {
    EXPECT_EQ(rawName(Signal::off), "off");
    EXPECT_EQ(rawName(Signal::tone), "tone");
    EXPECT_EQ(rawName(Signal::pink), "pink");
    EXPECT_EQ(rawName(Channels::both), "both");
    EXPECT_EQ(rawName(Channels::left), "left");
    EXPECT_EQ(rawName(Channels::right), "right");
    EXPECT_EQ(signalFromRawName("pink"), Signal::pink);
    EXPECT_EQ(channelsFromRawName("right"), Channels::right);
    EXPECT_FALSE(signalFromRawName("Tone").has_value());
    EXPECT_FALSE(channelsFromRawName("").has_value());
}

}  // namespace
}  // namespace lumenor
