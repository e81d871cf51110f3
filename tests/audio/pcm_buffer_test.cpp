#include <gtest/gtest.h>

#include <cmath>

#include "audio/pcm_buffer.h"

namespace lumenor {
namespace {

// Both markers against the decaying sine written out here: length, both channels, every sample.
TEST(PcmBufferTest, MarkersAreTheDecayingSineOnBothChannels) {
    struct Case {
        const char* name;
        std::optional<PcmBuffer> buffer;
        std::size_t frames;
        double hz;
        double decay;
        float gain;
    };
    for (const Case& c : {Case{"click", makeClickBuffer(44100.0, 2), 1543, 1600, 130, 0.6f},
                          Case{"beep", makeBeepBuffer(44100.0, 2), 3969, 1000, 35, 0.5f}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.buffer.has_value());
        ASSERT_EQ(c.buffer->channels.size(), 2u);
        EXPECT_EQ(c.buffer->frames(), c.frames);
        EXPECT_EQ(c.buffer->channels[0], c.buffer->channels[1]);
        for (std::size_t i = 0; i < c.buffer->frames(); ++i) {
            const double t = i / 44100.0;
            const float want =
                static_cast<float>(std::sin(2 * M_PI * c.hz * t) * std::exp(-c.decay * t)) * c.gain;
            ASSERT_EQ(c.buffer->channels[0][i], want) << i;
        }
    }
}

TEST(PcmBufferTest, TooShortOrChannellessBurstIsNone) {
    EXPECT_FALSE(makeClickBuffer(20.0, 2).has_value());
    EXPECT_FALSE(makeToneBurst(44100.0, 0, 0.1, 1000, 1, 1).has_value());
    EXPECT_EQ(makeToneBurst(48000.0, 1, 0.035, 1600, 130, 0.6f)->frames(), 1680u);
}

}  // namespace
}  // namespace lumenor
