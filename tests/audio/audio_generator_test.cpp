#include <gtest/gtest.h>

#include "audio/audio_generator.h"
#include "audio/fake_audio_stream.h"

namespace lumenor {
namespace {

class AudioGeneratorTest : public ::testing::Test {
  protected:
    FakeAudioStream::Log log;
    AudioGenerator generator{std::make_unique<FakeAudioStream>(&log)};
};

// Created idle; a signal starts the stream once, off pauses it, and a failed start is retried
// by the next signal.
TEST_F(AudioGeneratorTest, SignalsStartTheStreamOnceAndOffPausesIt) {
    EXPECT_NE(log.source, nullptr);
    generator.apply(Signal::off, Channels::both, false);
    EXPECT_EQ(log.pauses, 1);
    EXPECT_EQ(log.starts, 0);
    EXPECT_FALSE(generator.isPlaying());

    generator.apply(Signal::tone, Channels::both, false);
    generator.apply(Signal::pink, Channels::left, true);
    EXPECT_EQ(log.starts, 1);
    EXPECT_TRUE(generator.isPlaying());
    generator.apply(Signal::off, Channels::both, false);
    EXPECT_FALSE(generator.isPlaying());

    log.startFails = true;
    generator.apply(Signal::tone, Channels::both, false);
    EXPECT_FALSE(generator.isPlaying());
    log.startFails = false;
    generator.apply(Signal::tone, Channels::both, false);
    EXPECT_EQ(log.starts, 3);
    EXPECT_TRUE(generator.isPlaying());
}

TEST_F(AudioGeneratorTest, AppliedControlsReachTheNextCallback) {
    generator.apply(Signal::tone, Channels::left, false);
    RenderedBlock b = renderFrom(log, 64);
    EXPECT_EQ(b.left[0], 0.0f);
    EXPECT_NE(b.left[1], 0.0f);
    EXPECT_EQ(b.right[1], 0.0f);
    generator.apply(Signal::tone, Channels::both, true);
    b = renderFrom(log, 64);
    for (std::size_t i = 0; i < 64; ++i) {
        ASSERT_EQ(b.right[i], -b.left[i]);
    }
    // The phase carried on from the first call: sample 64 of the tone, not sample 0.
    RenderState fresh;
    std::vector<float> expected(128);
    renderSamples({Signal::tone, Channels::both, false}, fresh, expected.data(), nullptr, 128);
    EXPECT_EQ(b.left[0], expected[64]);

    // Off while callbacks still come renders silence.
    generator.apply(Signal::off, Channels::both, false);
    b = renderFrom(log, 32);
    EXPECT_EQ(b.left, std::vector<float>(32, 0.0f));
    EXPECT_EQ(b.right, std::vector<float>(32, 0.0f));
}

}  // namespace
}  // namespace lumenor
