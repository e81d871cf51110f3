#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

#include "support/process.h"
#include "support/pulse_testbed.h"
#include "support/signal_analysis.h"

namespace lumenor::test {
namespace {

constexpr double kRate = 44100.0;

// The signal's span with its first and last 0.1 s left out, away from start and stop.
Span middle(const Span& s) {
    const auto edge = static_cast<std::size_t>(0.1 * kRate);
    return s.length() > 3 * edge ? Span{s.begin + edge, s.end - edge} : Span{};
}

// What `lumenor play ARGS` sends to the test bed, run in `env` (the test bed's when empty).
// Standard error holds at most the log line naming the back end, where the log goes there.
Recording play(PulseTestbed& bed, const QStringList& args, const QProcessEnvironment& env = {},
               const QString& backend = QStringLiteral("PulseAudio")) {
    EXPECT_TRUE(bed.startRecording());
    const ProcessResult r = runProcess(lumenorBinary(), QStringList{"play"} + args,
                                       env.isEmpty() ? bed.environment() : env, 60000);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_LE(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty() || QString::fromUtf8(r.err).contains("plays through " + backend))
        << r.err.toStdString();
    return bed.stopRecording();
}

// One PulseAudio daemon records each signal in turn.
TEST(PulsePlaybackTest, EverySignalReachesTheSoundServerWhole) {
    QString error;
    const std::unique_ptr<PulseTestbed> bed = PulseTestbed::start(&error);
    ASSERT_NE(bed, nullptr) << error.toStdString();

    // One channel leaves the other below -90 dBFS.
    for (const bool left : {true, false}) {
        SCOPED_TRACE(left ? "left" : "right");
        const Recording r =
            play(*bed, {"tone", "--channels", left ? "left" : "right", "--seconds", "1.5"});
        const std::vector<float>& on = left ? r.left : r.right;
        const std::vector<float>& off = left ? r.right : r.left;
        ASSERT_GT(activeSpan(on, 1e-4f).length(), kRate);
        EXPECT_LT(peakDbfs(off, {0, off.size()}), -90.0);
    }

    // Pink noise falls 3 dB an octave.
    const Recording pink = play(*bed, {"pink", "--seconds", "6"});
    const Span noise = middle(activeSpan(pink.left, 1e-4f));
    ASSERT_GT(noise.length(), 5 * kRate);
    const double slope = spectralSlopeDbPerOctave(pink.left, noise, kRate, 100.0, 10000.0);
    EXPECT_NEAR(slope, -3.0, 1.0) << "slope " << slope << " dB per octave";
    EXPECT_LT(peak(pink.left, noise), 1.0f);
    EXPECT_NEAR(correlation(pink.left, pink.right, noise), 1.0, 1e-6);

    // Clicks are found with their length and spacing.
    const Recording clicks = play(*bed, {"click", "--count", "3", "--interval", "0.4"});
    const std::vector<Span> found = bursts(clicks.left, 1e-6f, 2000);
    ASSERT_EQ(found.size(), 3u);
    for (const Span& b : found) {
        // The last samples of the decayed sine may round to tiny values; allow a few frames.
        EXPECT_NEAR(static_cast<double>(b.length()), 1543.0, 3.0);
    }
    const double gap = (found[2].begin - found[0].begin) / 2.0 / kRate;
    EXPECT_NEAR(gap, 0.4, 0.05);

    // Ten seconds of 1 kHz at a peak of 0.18 with no dropout or phase jump. An unbroken sine
    // satisfies x[n+1] + x[n-1] = 2cos(w)·x[n] to float rounding; a missing, repeated or shifted
    // block of samples breaks it by far more. A loaded test machine may stall the player or the
    // test server for longer than the stream's buffer now and then, so a second take is allowed,
    // and pitch and level are measured over the longest unbroken stretch, where no silence reads
    // as a lower pitch; a fault of the stream itself breaks every take.
    double residual = 1;
    for (int take = 0; take < 2 && residual >= 1e-4; ++take) {
        const Recording r = play(*bed, {"tone", "--seconds", "10.5"});
        const Span s = middle(activeSpan(r.left, 1e-4f));
        ASSERT_GT(s.length(), 10 * kRate) << "recorded " << r.left.size() << " frames";
        std::vector<Span> runs = bursts(r.left, 1e-4f, 8);
        const Span run = middle(*std::max_element(
            runs.begin(), runs.end(), [](Span a, Span b) { return a.length() < b.length(); }));
        ASSERT_GT(run.length(), kRate / 4);
        EXPECT_NEAR(zeroCrossingFrequency(r.left, run, kRate), 1000.0, 1.0);
        EXPECT_NEAR(peak(r.left, run), 0.18, 0.005);
        EXPECT_NEAR(peak(r.right, run), 0.18, 0.005);
        EXPECT_NEAR(correlation(r.left, r.right, run), 1.0, 1e-6);
        residual = std::max(maxSineResidual(r.left, s, 1000.0, kRate),
                            maxSineResidual(r.right, s, 1000.0, kRate));
    }
    EXPECT_LT(residual, 1e-4);

    // With no sound server answering, ALSA plays; here its default device is the test bed's
    // server through ALSA's PulseAudio plugin, the nearest thing to a sound card this machine has.
    QTemporaryDir dir;
    QFile config(dir.filePath("asound.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    const QByteArray server = bed->serverAddress().toUtf8();
    config.write("</usr/share/alsa/alsa.conf>\npcm.!default { type pulse server \"" + server +
                 "\" }\nctl.!default { type pulse server \"" + server + "\" }\n");
    config.close();
    QProcessEnvironment env = bed->environment();
    env.insert("PULSE_SERVER", "unix:/nonexistent/lumenor-no-server");
    env.insert("ALSA_CONFIG_PATH", config.fileName());
    const Recording alsa = play(*bed, {"tone", "--seconds", "2"}, env, QStringLiteral("ALSA"));
    const Span tone = middle(activeSpan(alsa.left, 1e-4f));
    ASSERT_GT(tone.length(), kRate) << "recorded " << alsa.left.size() << " frames";
    EXPECT_NEAR(zeroCrossingFrequency(alsa.left, tone, kRate), 1000.0, 1.0);
    EXPECT_NEAR(peak(alsa.right, tone), 0.18, 0.005);
}

std::vector<float> sine(double hz, float amp, std::size_t n) {
    std::vector<float> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = amp * static_cast<float>(std::sin(2 * M_PI * hz * i / 44100.0));
    }
    return x;
}

// The playback tests measure pitch, level, slope and bursts against expected values, so a
// broken measure fails them; the dropout check only ever expects a small residual, so here it
// must be seen to catch a single missing sample.
TEST(SignalAnalysisTest, TheSineResidualCatchesADroppedSample) {
    const std::vector<float> x = sine(997.0, 0.25f, 44100);
    EXPECT_LT(maxSineResidual(x, {0, x.size()}, 997.0, 44100), 1e-6);
    std::vector<float> dropped = sine(1000.0, 0.18f, 10000);
    dropped.erase(dropped.begin() + 5000);
    EXPECT_GT(maxSineResidual(dropped, {0, dropped.size()}, 1000.0, 44100), 1e-3);
}

// Bad arguments are status 2; no audio output at all is one line and status 1.
TEST(PlayCommandTest, RefusalsAreOneLineWithTheirStatus) {
    for (const QStringList& args :
         {QStringList{}, QStringList{"hum"}, QStringList{"tone", "--channels", "middle"},
          QStringList{"tone", "--seconds", "-1"}, QStringList{"pink", "--seconds", "soon"},
          QStringList{"click", "--count", "0"}, QStringList{"beep", "--interval", "x"},
          QStringList{"tone", "--count", "2"}, QStringList{"click", "--invert"},
          QStringList{"tone", "--loud"}, QStringList{"tone", "pink"}}) {
        const ProcessResult r = runProcess(lumenorBinary(), QStringList{"play"} + args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("lumenor: ")) << r.err.toStdString();
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_SERVER", "unix:/nonexistent/lumenor-no-server");
    for (const QStringList& args : {QStringList{"tone", "--seconds", "1"}, QStringList{"click"}}) {
        const ProcessResult r = runProcess(lumenorBinary(), QStringList{"play"} + args, env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("lumenor: play: no audio output")) << r.err.toStdString();
    }
}

}  // namespace
}  // namespace lumenor::test
