#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/audio_generator.h"
#include "audio/fake_audio_stream.h"
#include "audio/render.h"

namespace lumenor {
namespace {

// With `oneBuffer` both channels go into the left buffer, which is then read as either.
RenderedBlock render(const RenderControls& c, RenderState& state, std::size_t frames,
                     bool oneBuffer = false) {
    RenderedBlock b{std::vector<float>(frames, 9.0f), std::vector<float>(frames, 9.0f)};
    renderSamples(c, state, b.left.data(), oneBuffer ? nullptr : b.right.data(), frames);
    if (oneBuffer) {
        b.right = b.left;
    }
    return b;
}

// Bit for bit, so that 0.0 and -0.0 differ.
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

// Each channel gets the signal times its gain; a silent channel is +0.0 and an inverted zero
// is -0.0. One buffer holds the right channel's value, written last.
TEST(RenderTest, EverySignalAndChannelSettingMatchesTheFormulasBitForBit) {
    constexpr std::size_t kFrames = 44100;
    const std::vector<float> tone = expectedTone(kFrames);
    const std::vector<float> pink = expectedPink(kFrames);
    const std::vector<float> off(kFrames, 0.0f);
    struct Case {
        Signal signal;
        Channels channels;
        bool invert;
        float leftGain;
        float rightGain;
        bool oneBuffer = false;
    };
    for (const Case& c : {Case{Signal::tone, Channels::both, false, 1, 1},
                          Case{Signal::tone, Channels::left, false, 1, 0},
                          Case{Signal::tone, Channels::right, true, 0, -1},
                          Case{Signal::pink, Channels::both, true, 1, -1},
                          Case{Signal::off, Channels::both, true, 1, -1},
                          Case{Signal::tone, Channels::both, true, -1, -1, true}}) {
        SCOPED_TRACE(rawName(c.signal).toStdString() + " " + rawName(c.channels).toStdString() +
                     (c.invert ? " inverted" : "") + (c.oneBuffer ? " in one buffer" : ""));
        const std::vector<float>& want =
            c.signal == Signal::tone ? tone : (c.signal == Signal::pink ? pink : off);
        RenderState state;
        const RenderedBlock b =
            render({c.signal, c.channels, c.invert}, state, kFrames, c.oneBuffer);
        for (std::size_t i = 0; i < kFrames; ++i) {
            ASSERT_TRUE(bitEqual(b.left[i], c.leftGain == 0 ? 0.0f : c.leftGain * want[i])) << i;
            ASSERT_TRUE(bitEqual(b.right[i], c.rightGain == 0 ? 0.0f : c.rightGain * want[i])) << i;
        }
    }
}

// Switching signals resumes each where it stopped. The tone moves on in a buffer its silenced
// right channel writes last; off, and a missing left buffer, which writes nothing, leave both
// where they were.
TEST(RenderTest, EachSignalResumesWhereItStopped) {
    const std::vector<float> tone = expectedTone(600);
    const std::vector<float> pink = expectedPink(200);
    RenderState state;
    render({Signal::tone, Channels::left, false}, state, 300, true);
    const RenderedBlock firstPink = render({Signal::pink, Channels::both, false}, state, 100);
    render({Signal::off, Channels::both, false}, state, 64);
    std::vector<float> right(16, 9.0f);
    renderSamples({Signal::tone, Channels::both, false}, state, nullptr, right.data(), 16);
    EXPECT_EQ(right, std::vector<float>(16, 9.0f));
    const RenderedBlock secondTone = render({Signal::tone, Channels::both, false}, state, 300);
    const RenderedBlock secondPink = render({Signal::pink, Channels::both, false}, state, 100);
    for (std::size_t i = 0; i < 300; ++i) {
        ASSERT_TRUE(bitEqual(secondTone.left[i], tone[300 + i])) << i;
    }
    for (std::size_t i = 0; i < 100; ++i) {
        ASSERT_TRUE(bitEqual(firstPink.left[i], pink[i])) << i;
        ASSERT_TRUE(bitEqual(secondPink.left[i], pink[100 + i])) << i;
    }
}

class AudioGeneratorTest : public ::testing::Test {
  protected:
    FakeAudioStream::Log log;
    AudioGenerator generator{std::make_unique<FakeAudioStream>(&log)};
};

// Created idle; a signal starts the stream once, off pauses it, and a failed start is retried
// by the next signal.
TEST_F(AudioGeneratorTest, SignalsStartTheStreamOnceAndOffPausesIt) {
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

// Each callback renders the controls applied last, each signal going on where it stopped, and
// silence once off while callbacks still come; the samples themselves are checked above.
TEST_F(AudioGeneratorTest, AppliedControlsReachTheNextCallback) {
    RenderState mirror;
    for (const RenderControls c : {RenderControls{Signal::tone, Channels::left, false},
                                   RenderControls{Signal::tone, Channels::both, true},
                                   RenderControls{Signal::off, Channels::both, false}}) {
        SCOPED_TRACE(rawName(c.signal).toStdString() + " " + rawName(c.channels).toStdString());
        generator.apply(c.signal, c.channels, c.invertRight);
        const RenderedBlock want = render(c, mirror, 64);
        const RenderedBlock b = renderFrom(log, 64);
        EXPECT_EQ(b.left, want.left);
        EXPECT_EQ(b.right, want.right);
    }
}

}  // namespace
}  // namespace lumenor
