#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "audio/audio_backends.h"
#include "audio/fake_audio_stream.h"
#include "audio/marker_stream.h"

namespace lumenor {
namespace {

// Back ends that are compiled in, and the reason each one fails to open (none: it opens).
class FakeBackends : public AudioBackendProbe {
  public:
    std::set<AudioBackend> compiled{AudioBackend::pulseAudio, AudioBackend::alsa};
    std::map<AudioBackend, QString> failures;
    std::vector<AudioBackend> tried;

    bool isCompiledIn(AudioBackend b) const override { return compiled.count(b) > 0; }
    std::optional<QString> open(AudioBackend b) override {
        tried.push_back(b);
        const auto f = failures.find(b);
        return f == failures.end() ? std::nullopt : std::optional<QString>(f->second);
    }
};

TEST(AudioBackends, TheSoundServerFirstThenAlsa) {
    FakeBackends both;
    EXPECT_EQ(openPreferredBackend(both).backend, AudioBackend::pulseAudio);
    EXPECT_EQ(both.tried, std::vector<AudioBackend>{AudioBackend::pulseAudio});

    FakeBackends noServer;
    noServer.failures[AudioBackend::pulseAudio] = QStringLiteral("no sound server answered");
    EXPECT_EQ(openPreferredBackend(noServer).backend, AudioBackend::alsa);
    EXPECT_EQ(noServer.tried,
              (std::vector<AudioBackend>{AudioBackend::pulseAudio, AudioBackend::alsa}));

    FakeBackends alsaOnly;
    alsaOnly.compiled = {AudioBackend::alsa};
    EXPECT_EQ(openPreferredBackend(alsaOnly).backend, AudioBackend::alsa);
    EXPECT_EQ(alsaOnly.tried, std::vector<AudioBackend>{AudioBackend::alsa});
}

TEST(AudioBackends, WhenNoneOpensEveryReasonIsGivenOnOneLine) {
    FakeBackends none;
    none.failures[AudioBackend::pulseAudio] = QStringLiteral("no sound server answered");
    none.failures[AudioBackend::alsa] = QStringLiteral("cannot open\ndevice default");
    const BackendChoice choice = openPreferredBackend(none);
    EXPECT_FALSE(choice.backend);
    EXPECT_EQ(choice.error,
              "PulseAudio: no sound server answered; ALSA: cannot open device default");

    FakeBackends neither;
    neither.compiled.clear();
    EXPECT_FALSE(openPreferredBackend(neither).backend);
    EXPECT_FALSE(openPreferredBackend(neither).error.isEmpty());
    EXPECT_TRUE(neither.tried.empty());
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
