#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "audio/audio_backends.h"
#include "audio/click_player.h"
#include "audio/fake_audio_stream.h"
#include "audio/marker_stream.h"
#include "audio/pcm_buffer.h"
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
class ClickPlayerTest : public ::testing::Test {
  protected:
    ClickPlayerTest() { log_.timed = true; }

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

TEST_F(ClickPlayerTest, ASoundPlayedAtOnceIsHeardWholeThenSilence) {
    player_.play(&click_);
    std::vector<float> heard;
    for (int call = 0; call < 4; ++call) {
        const RenderedBlock b = renderFrom(log_, kBlock);
        EXPECT_EQ(b.left, b.right);
        heard.insert(heard.end(), b.left.begin(), b.left.end());
    }
    for (std::size_t i = 0; i < heard.size(); ++i) {
        ASSERT_EQ(heard[i], i < click_.frames() ? click_.channels[0][i] : 0.0f) << i;
    }
}

// A stream that stopped is started again by the next sound; one that never started is not
// retried, and a missing buffer plays nothing.
TEST_F(ClickPlayerTest, RestartsAStoppedStreamButNotOneThatNeverStarted) {
    log_.running = false;
    player_.play(nullptr);
    EXPECT_EQ(log_.starts, 1);
    EXPECT_EQ(renderFrom(log_, 64).left, std::vector<float>(64, 0.0f));
    player_.play(player_.beepBuffer());
    EXPECT_EQ(log_.starts, 2);
    EXPECT_TRUE(log_.running);

    FakeAudioStream::Log failed{.startFails = true};
    ClickPlayer notReady(std::make_unique<FakeAudioStream>(&failed));
    EXPECT_FALSE(notReady.isReady());
    failed.startFails = false;
    notReady.play(notReady.clickBuffer());
    EXPECT_EQ(failed.starts, 1);
    EXPECT_EQ(renderFrom(failed, 128).left, std::vector<float>(128, 0.0f));
}

// A marker starts on its frame of the callback it falls in, at either edge too; one a frame past
// the callback's end starts the next one, and one already due plays at once. The sync offset
// moves each marker, 10 ms being 441 frames.
TEST_F(ClickPlayerTest, AMarkerStartsOnItsFrameOfItsCallbackOrAtOnceWhenDue) {
    next();
    player_.playAt(&click_, inNextBlock(100));
    const RenderedBlock b = next();
    EXPECT_EQ(clickStart(b, click_), 100);
    EXPECT_EQ(b.left, b.right);
    // It goes on where it stopped in the next callback.
    EXPECT_EQ(next().left[0], click_.channels[0][kBlock - 100]);
    EXPECT_NEAR(static_cast<double>(*player_.latencyNs()), static_cast<double>(kLatency), 1.0);

    struct Case {
        double frame;  // of the next callback
        int silent;    // callbacks without the marker before the one it starts in
        long start;    // the frame it starts on there
        double offsetMs = 0;
    };
    for (const Case& c :
         {Case{0, 0, 0}, Case{kBlock - 2, 0, kBlock - 2}, Case{kBlock, 1, 0}, Case{-3000, 0, 0},
          Case{50, 0, 491, 10.0}, Case{kBlock + 450, 1, 9, -10.0}}) {
        for (int i = 0; i < 4; ++i) {
            next();  // the last marker ends
        }
        player_.setSyncOffsetMs(c.offsetMs);
        player_.playAt(&click_, inNextBlock(c.frame));
        for (int i = 0; i < c.silent; ++i) {
            EXPECT_EQ(next().left, std::vector<float>(kBlock, 0.0f)) << c.frame;
        }
        EXPECT_EQ(clickStart(next(), click_), c.start) << c.frame;
    }
}

TEST_F(ClickPlayerTest, MarkersWaitForTheirCallbackAndCutEachOtherOff) {
    next();
    player_.playAt(&click_, inNextBlock(3 * kBlock + 10));
    player_.playAt(player_.beepBuffer(), inNextBlock(3 * kBlock + 300));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(next().left, std::vector<float>(kBlock, 0.0f)) << i;
    }
    const RenderedBlock b = next();
    EXPECT_EQ(clickStart(b, click_), 10);
    EXPECT_EQ(b.left[299], click_.channels[0][289]);
    EXPECT_EQ(b.left[300], 0.0f);
    EXPECT_EQ(b.left[301], player_.beepBuffer()->channels[0][1]);
}

TEST_F(ClickPlayerTest, ALastingLatencyChangeMovesTheMarkersAndOneStrayReportDoesNot) {
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

TEST_F(ClickPlayerTest, WithoutTimingAScheduledMarkerPlaysAtTheNextCallback) {
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

// Back ends that are compiled in, and the reason each one fails to open (none: it opens).
class FakeBackends : public AudioBackendProbe {
  public:
    std::set<AudioBackend> compiled;
    std::map<AudioBackend, QString> failures;
    std::vector<AudioBackend> tried;

    bool isCompiledIn(AudioBackend b) const override { return compiled.count(b) > 0; }
    std::optional<QString> open(AudioBackend b) override {
        tried.push_back(b);
        const auto f = failures.find(b);
        return f == failures.end() ? std::nullopt : std::optional<QString>(f->second);
    }
};

// The sound server first, then ALSA; when none opens, every reason is given on one line.
TEST(AudioBackends, TheSoundServerFirstThenAlsaElseEveryReason) {
    using enum AudioBackend;
    const QString noServer = QStringLiteral("no sound server answered");
    const struct {
        std::set<AudioBackend> compiled;
        std::map<AudioBackend, QString> failures;
        std::optional<AudioBackend> chosen;
        std::vector<AudioBackend> tried;
        QString error;
    } rows[] = {
        {{pulseAudio, alsa}, {}, pulseAudio, {pulseAudio}, {}},
        {{pulseAudio, alsa}, {{pulseAudio, noServer}}, alsa, {pulseAudio, alsa}, {}},
        {{alsa}, {}, alsa, {alsa}, {}},
        {{pulseAudio, alsa},
         {{pulseAudio, noServer}, {alsa, QStringLiteral("cannot open\ndevice default")}},
         std::nullopt,
         {pulseAudio, alsa},
         QStringLiteral("PulseAudio: no sound server answered; ALSA: cannot open device default")},
        {{}, {}, std::nullopt, {}, QStringLiteral("built without PulseAudio or ALSA support")},
    };
    for (const auto& row : rows) {
        FakeBackends probe;
        probe.compiled = row.compiled;
        probe.failures = row.failures;
        const BackendChoice choice = openPreferredBackend(probe);
        EXPECT_EQ(choice.backend, row.chosen);
        EXPECT_EQ(probe.tried, row.tried);
        EXPECT_EQ(choice.error, row.error);
    }
}

// The markers play timed where the sound server answers, untimed elsewhere rather than not at
// all, and a server that comes up later is taken at the next start.
TEST(MarkerStreamTest, TimedWhereTheServerAnswersElseTheFallback) {
    FakeAudioStream::Log timed{.timed = true};
    FakeAudioStream::Log fallback;
    timed.startFails = true;
    MarkerStream s(std::make_unique<FakeAudioStream>(&timed),
                   std::make_unique<FakeAudioStream>(&fallback));
    ASSERT_TRUE(s.start());
    EXPECT_TRUE(fallback.running);
    EXPECT_TRUE(s.timingSource().isEmpty());
    s.pause();
    EXPECT_FALSE(s.isRunning());

    timed.startFails = false;
    ASSERT_TRUE(s.start());
    EXPECT_TRUE(timed.running);
    EXPECT_FALSE(fallback.running);
    EXPECT_FALSE(s.timingSource().isEmpty());

    timed.running = false;
    timed.startFails = true;
    fallback.startFails = true;
    EXPECT_FALSE(s.start());
    EXPECT_FALSE(s.isRunning());
    EXPECT_FALSE(s.lastError().isEmpty());
}

}  // namespace
}  // namespace lumenor
