#include <gtest/gtest.h>

#include <cmath>

#include "audio/pcm_buffer.h"

namespace lumenor {
namespace {

TEST(PcmBufferTest, ClickHas1543IdenticalFramesOnBothChannels) {
    const std::optional<PcmBuffer> click = makeClickBuffer(44100.0, 2);
    ASSERT_TRUE(click.has_value());
    ASSERT_EQ(click->channels.size(), 2u);
    EXPECT_EQ(click->frames(), 1543u);
    EXPECT_EQ(click->channels[0], click->channels[1]);
}

TEST(PcmBufferTest, BeepHas3969IdenticalFramesOnBothChannels) {
    const std::optional<PcmBuffer> beep = makeBeepBuffer(44100.0, 2);
    ASSERT_TRUE(beep.has_value());
    EXPECT_EQ(beep->frames(), 3969u);
    EXPECT_EQ(beep->channels[0], beep->channels[1]);
}

TEST(PcmBufferTest, SamplesFollowTheDecayingSineExactly) {
    const PcmBuffer click = *makeClickBuffer(44100.0, 2);
    const PcmBuffer beep = *makeBeepBuffer(44100.0, 2);
    EXPECT_EQ(click.channels[0][0], 0.0f);
    EXPECT_EQ(beep.channels[0][0], 0.0f);
    for (std::size_t i = 0; i < click.frames(); ++i) {
        const double t = i / 44100.0;
        const float want =
            static_cast<float>(std::sin(2 * M_PI * 1600 * t) * std::exp(-130 * t)) * 0.6f;
        ASSERT_EQ(click.channels[0][i], want) << i;
    }
    for (std::size_t i = 0; i < beep.frames(); ++i) {
        const double t = i / 44100.0;
        const float want =
            static_cast<float>(std::sin(2 * M_PI * 1000 * t) * std::exp(-35 * t)) * 0.5f;
        ASSERT_EQ(beep.channels[1][i], want) << i;
    }
}

// Largest magnitude over the last period of the burst, against its envelope there.
float tailPeak(const PcmBuffer& b, double hz) {
    const auto period = static_cast<std::size_t>(44100.0 / hz) + 1;
    float p = 0;
    for (std::size_t i = b.frames() - period; i < b.frames(); ++i) {
        p = std::max(p, std::fabs(b.channels[0][i]));
    }
    return p;
}

TEST(PcmBufferTest, EnvelopesFallToTheirEndValues) {
    const PcmBuffer click = *makeClickBuffer(44100.0, 2);
    const PcmBuffer beep = *makeBeepBuffer(44100.0, 2);
    // exp(-130·0.035) ≈ 0.011 and exp(-35·0.09) ≈ 0.043 of the peak gains.
    EXPECT_NEAR(tailPeak(click, 1600) / 0.6f, std::exp(-4.55), 0.002);
    EXPECT_NEAR(tailPeak(beep, 1000) / 0.5f, std::exp(-3.15), 0.004);
    float clickPeak = 0;
    for (float s : click.channels[0]) {
        clickPeak = std::max(clickPeak, std::fabs(s));
    }
    EXPECT_LT(clickPeak, 0.6f);
    EXPECT_GT(clickPeak, 0.45f);
}

TEST(PcmBufferTest, TooShortOrChannellessBurstIsNone) {
    EXPECT_FALSE(makeClickBuffer(20.0, 2).has_value());
    EXPECT_FALSE(makeToneBurst(44100.0, 0, 0.1, 1000, 1, 1).has_value());
    EXPECT_EQ(makeToneBurst(48000.0, 1, 0.035, 1600, 130, 0.6f)->frames(), 1680u);
}

}  // namespace
}  // namespace lumenor
