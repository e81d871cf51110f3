#include <gtest/gtest.h>

#include "audio/click_player.h"
#include "audio/fake_audio_stream.h"

namespace lumenor {
namespace {

TEST(ClickPlayerTest, StartsAtCreationAndIsReady) {
    FakeAudioStream::Log log;
    ClickPlayer player(std::make_unique<FakeAudioStream>(&log));
    EXPECT_TRUE(player.isReady());
    EXPECT_EQ(log.starts, 1);
    ASSERT_NE(player.clickBuffer(), nullptr);
    ASSERT_NE(player.beepBuffer(), nullptr);
    EXPECT_EQ(player.clickBuffer()->frames(), 1543u);
    EXPECT_EQ(player.beepBuffer()->frames(), 3969u);
}

TEST(ClickPlayerTest, SilentUntilPlayedThenTheWholeSoundThenSilent) {
    FakeAudioStream::Log log;
    ClickPlayer player(std::make_unique<FakeAudioStream>(&log));
    RenderedBlock b = renderFrom(log, 512);
    for (float s : b.left) {
        ASSERT_EQ(s, 0.0f);
    }
    player.play(player.clickBuffer());
    const std::vector<float>& click = player.clickBuffer()->channels[0];
    std::vector<float> heard;
    for (int call = 0; call < 4; ++call) {
        b = renderFrom(log, 512);
        EXPECT_EQ(b.left, b.right);
        heard.insert(heard.end(), b.left.begin(), b.left.end());
    }
    for (std::size_t i = 0; i < heard.size(); ++i) {
        ASSERT_EQ(heard[i], i < click.size() ? click[i] : 0.0f) << i;
    }
}

TEST(ClickPlayerTest, ANewSoundCutsOffTheOneStillPlaying) {
    FakeAudioStream::Log log;
    ClickPlayer player(std::make_unique<FakeAudioStream>(&log));
    player.play(player.beepBuffer());
    renderFrom(log, 256);
    player.play(player.clickBuffer());
    const RenderedBlock b = renderFrom(log, 256);
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(b.left[i], player.clickBuffer()->channels[0][i]) << i;
    }
}

TEST(ClickPlayerTest, NotReadyPlaysNothingAndNeverRestarts) {
    FakeAudioStream::Log log;
    log.startFails = true;
    ClickPlayer player(std::make_unique<FakeAudioStream>(&log));
    EXPECT_FALSE(player.isReady());
    log.startFails = false;
    player.play(player.clickBuffer());
    EXPECT_EQ(log.starts, 1);
    const RenderedBlock b = renderFrom(log, 128);
    for (float s : b.left) {
        ASSERT_EQ(s, 0.0f);
    }
}

TEST(ClickPlayerTest, StoppedStreamIsRestartedByPlay) {
    FakeAudioStream::Log log;
    ClickPlayer player(std::make_unique<FakeAudioStream>(&log));
    log.running = false;
    player.play(player.beepBuffer());
    EXPECT_EQ(log.starts, 2);
    EXPECT_TRUE(log.running);
}

TEST(ClickPlayerTest, MissingBufferDoesNothing) {
    FakeAudioStream::Log log;
    ClickPlayer player(std::make_unique<FakeAudioStream>(&log));
    log.running = false;
    player.play(nullptr);
    EXPECT_EQ(log.starts, 1);
    const RenderedBlock b = renderFrom(log, 64);
    EXPECT_EQ(b.left, std::vector<float>(64, 0.0f));
}

}  // namespace
}  // namespace lumenor
