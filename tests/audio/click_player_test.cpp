#include <gtest/gtest.h>

#include "audio/click_player.h"
#include "audio/fake_audio_stream.h"

namespace lumenor {
namespace {

class ClickPlayerTest : public ::testing::Test {
  protected:
    void expectSilent(std::size_t frames) {
        EXPECT_EQ(renderFrom(log_, frames).left, std::vector<float>(frames, 0.0f));
    }
    FakeAudioStream::Log log_;
};

TEST_F(ClickPlayerTest, SilentUntilPlayedThenTheWholeSoundThenSilent) {
    ClickPlayer player(std::make_unique<FakeAudioStream>(&log_));
    EXPECT_TRUE(player.isReady());
    EXPECT_EQ(log_.starts, 1);
    expectSilent(512);
    player.play(player.clickBuffer());
    const std::vector<float>& click = player.clickBuffer()->channels[0];
    std::vector<float> heard;
    for (int call = 0; call < 4; ++call) {
        const RenderedBlock b = renderFrom(log_, 512);
        EXPECT_EQ(b.left, b.right);
        heard.insert(heard.end(), b.left.begin(), b.left.end());
    }
    for (std::size_t i = 0; i < heard.size(); ++i) {
        ASSERT_EQ(heard[i], i < click.size() ? click[i] : 0.0f) << i;
    }
}

// A stream that stopped is started again by the next sound; one that never started is not
// retried, and a missing buffer plays nothing.
TEST_F(ClickPlayerTest, RestartsAStoppedStreamButNotOneThatNeverStarted) {
    ClickPlayer player(std::make_unique<FakeAudioStream>(&log_));
    log_.running = false;
    player.play(nullptr);
    EXPECT_EQ(log_.starts, 1);
    expectSilent(64);
    player.play(player.beepBuffer());
    EXPECT_EQ(log_.starts, 2);
    EXPECT_TRUE(log_.running);

    FakeAudioStream::Log failed{.startFails = true};
    ClickPlayer notReady(std::make_unique<FakeAudioStream>(&failed));
    EXPECT_FALSE(notReady.isReady());
    failed.startFails = false;
    notReady.play(notReady.clickBuffer());
    EXPECT_EQ(failed.starts, 1);
    const RenderedBlock b = renderFrom(failed, 128);
    EXPECT_EQ(b.left, std::vector<float>(128, 0.0f));
}

}  // namespace
}  // namespace lumenor
