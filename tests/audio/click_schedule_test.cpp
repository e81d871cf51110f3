#include <gtest/gtest.h>

#include <cmath>

#include "audio/click_player.h"
#include "audio/fake_audio_stream.h"
#include "audio/sample_clock.h"

namespace lumenor {
namespace {

constexpr std::size_t kBlock = 512;
constexpr std::int64_t kLatency = 60'000'000;  // 60 ms from callback to sound

std::int64_t framesToNs(double frames) {
    return std::llround(frames * 1e9 / 44100.0);
}

// The frame of the block at which the click begins (its first sample is 0, its second not),
// or -1 when the block holds no click start.
long clickStart(const RenderedBlock& b, const PcmBuffer& click) {
    for (std::size_t i = 0; i < b.left.size(); ++i) {
        if (b.left[i] != 0.0f) {
            return b.left[i] == click.channels[0][1] ? static_cast<long>(i) - 1 : -1;
        }
    }
    return -1;
}

// A player on a fake stream whose callbacks come every 512 frames and are heard 60 ms later.
class ClickScheduleTest : public ::testing::Test {
  protected:
    ClickScheduleTest() { log_.timed = true; }

    // The next callback; the clock's frame 0 is heard at 1 s.
    RenderedBlock next() {
        const std::int64_t heard = kStart + framesToNs(static_cast<double>(position_));
        position_ += kBlock;
        return renderTimed(log_, kBlock, heard - kLatency + shift_, heard + shift_);
    }
    // When frame `frame` of the next callback is heard.
    std::int64_t inNextBlock(double frame) const {
        return kStart + shift_ + framesToNs(static_cast<double>(position_) + frame);
    }

    static constexpr std::int64_t kStart = 1'000'000'000;
    FakeAudioStream::Log log_;
    ClickPlayer player_{std::make_unique<FakeAudioStream>(&log_)};
    const PcmBuffer& click_ = *player_.clickBuffer();
    std::size_t position_ = 0;
    std::int64_t shift_ = 0;  // a later latency change
};

// A marker starts on its frame of the callback it falls in, at either edge too; one a frame past
// the callback's end starts the next one, and one already due plays at once.
TEST_F(ClickScheduleTest, AMarkerStartsOnItsFrameOfItsCallbackOrAtOnceWhenDue) {
    next();
    player_.playAt(&click_, inNextBlock(100));
    const RenderedBlock b = next();
    EXPECT_EQ(clickStart(b, click_), 100);
    for (std::size_t i = 100; i < kBlock; ++i) {
        ASSERT_EQ(b.left[i], click_.channels[0][i - 100]) << i;
        ASSERT_EQ(b.right[i], click_.channels[1][i - 100]) << i;
    }
    // It goes on where it stopped in the next callback.
    EXPECT_EQ(next().left[0], click_.channels[0][kBlock - 100]);
    EXPECT_NEAR(static_cast<double>(*player_.latencyNs()), static_cast<double>(kLatency), 1.0);

    struct Case {
        double frame;  // of the next callback
        int silent;    // callbacks without the marker before the one it starts in
        long start;    // the frame it starts on there
    };
    for (const Case& c :
         {Case{0, 0, 0}, Case{kBlock - 2, 0, kBlock - 2}, Case{kBlock, 1, 0}, Case{-3000, 0, 0}}) {
        for (int i = 0; i < 4; ++i) {
            next();  // the last marker ends
        }
        player_.playAt(&click_, inNextBlock(c.frame));
        for (int i = 0; i < c.silent; ++i) {
            EXPECT_EQ(next().left, std::vector<float>(kBlock, 0.0f)) << c.frame;
        }
        EXPECT_EQ(clickStart(next(), click_), c.start) << c.frame;
    }
}

TEST_F(ClickScheduleTest, MarkersWaitForTheirCallbackAndCutEachOtherOff) {
    next();
    player_.playAt(&click_, inNextBlock(3 * kBlock + 10));
    player_.playAt(player_.beepBuffer(), inNextBlock(3 * kBlock + 300));
    for (int i = 0; i < 3; ++i) {
        for (float s : next().left) {
            ASSERT_EQ(s, 0.0f);
        }
    }
    const RenderedBlock b = next();
    EXPECT_EQ(clickStart(b, click_), 10);
    EXPECT_EQ(b.left[299], click_.channels[0][289]);
    EXPECT_EQ(b.left[300], 0.0f);
    EXPECT_EQ(b.left[301], player_.beepBuffer()->channels[0][1]);
}

TEST_F(ClickScheduleTest, ALastingLatencyChangeMovesTheMarkersAndOneStrayReportDoesNot) {
    for (int i = 0; i < 20; ++i) {
        next();
    }
    shift_ = 20'000'000;
    next();  // one report 20 ms later: noise
    shift_ = 0;
    player_.playAt(&click_, inNextBlock(200));
    EXPECT_EQ(clickStart(next(), click_), 200);

    shift_ = 20'000'000;
    for (int i = 0; i < SampleClock::kJumpReports; ++i) {
        next();
    }
    player_.playAt(&click_, inNextBlock(200));
    EXPECT_EQ(clickStart(next(), click_), 200);
}

TEST_F(ClickScheduleTest, TheSyncOffsetMovesEveryMarker) {
    next();
    player_.setSyncOffsetMs(10.0);  // 441 frames later
    player_.playAt(&click_, inNextBlock(50));
    const RenderedBlock b = next();
    EXPECT_EQ(b.left[491], 0.0f);
    EXPECT_EQ(b.left[492], click_.channels[0][1]);

    player_.setSyncOffsetMs(-10.0);  // 441 frames earlier
    player_.playAt(&click_, inNextBlock(kBlock + 450));
    next();
    const RenderedBlock c = next();
    EXPECT_EQ(c.left[9], 0.0f);
    EXPECT_EQ(c.left[10], click_.channels[0][1]);
}

TEST_F(ClickScheduleTest, WithoutTimingAScheduledMarkerPlaysAtTheNextCallback) {
    log_.timed = false;
    player_.playAt(&click_, kStart + 500'000'000);
    EXPECT_EQ(clickStart(renderFrom(log_, kBlock), click_), 0);
    EXPECT_FALSE(player_.latencyNs());
}

TEST(SampleClockTest, SmoothsCallbackNoiseAndMapsBothWays) {
    SampleClock clock(44100.0);
    EXPECT_FALSE(clock.frameAt(0));
    // Reports scattered ±1 ms about the truth settle on it.
    for (int i = 0; i < 400; ++i) {
        const std::int64_t noise = (i % 2 == 0 ? 1 : -1) * 1'000'000;
        clock.observe(i * 512, framesToNs(i * 512.0) + 5'000'000 + noise);
    }
    EXPECT_NEAR(static_cast<double>(*clock.timeOf(0)), 5'000'000.0, 100'000.0);
    EXPECT_EQ(*clock.frameAt(*clock.timeOf(44100)), 44100);
}

}  // namespace
}  // namespace lumenor
