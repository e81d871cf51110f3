#include <gtest/gtest.h>

#include <cstring>

#include "audio/audio_generator.h"
#include "audio/fake_audio_stream.h"

namespace lumenor {
namespace {

class AudioGeneratorTest : public ::testing::Test {
  protected:
    FakeAudioStream::Log log;
    AudioGenerator generator{std::make_unique<FakeAudioStream>(&log)};
};

TEST_F(AudioGeneratorTest, CreationInstallsTheSourceWithoutStarting) {
    EXPECT_NE(log.source, nullptr);
    EXPECT_EQ(log.starts, 0);
    EXPECT_FALSE(generator.isPlaying());
}

TEST_F(AudioGeneratorTest, OffOnANeverStartedGeneratorJustPauses) {
    generator.apply(Signal::off, Channels::both, false);
    EXPECT_EQ(log.pauses, 1);
    EXPECT_EQ(log.starts, 0);
    EXPECT_FALSE(generator.isPlaying());
}

TEST_F(AudioGeneratorTest, ToneStartsOnceAndOffPauses) {
    generator.apply(Signal::tone, Channels::both, false);
    generator.apply(Signal::pink, Channels::left, true);
    EXPECT_EQ(log.starts, 1);
    EXPECT_TRUE(generator.isPlaying());
    generator.apply(Signal::off, Channels::both, false);
    EXPECT_FALSE(generator.isPlaying());
    generator.apply(Signal::tone, Channels::both, false);
    EXPECT_EQ(log.starts, 2);
}

TEST_F(AudioGeneratorTest, FailedStartIsRetriedByTheNextApply) {
    log.startFails = true;
    generator.apply(Signal::tone, Channels::both, false);
    EXPECT_FALSE(generator.isPlaying());
    log.startFails = false;
    generator.apply(Signal::tone, Channels::both, false);
    EXPECT_EQ(log.starts, 2);
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
}

TEST_F(AudioGeneratorTest, OffWhileCallbacksStillComeRendersSilence) {
    generator.apply(Signal::pink, Channels::both, false);
    generator.apply(Signal::off, Channels::both, false);
    const RenderedBlock b = renderFrom(log, 32);
    for (std::size_t i = 0; i < 32; ++i) {
        ASSERT_EQ(b.left[i], 0.0f);
        ASSERT_EQ(b.right[i], 0.0f);
    }
}

}  // namespace
}  // namespace lumenor
