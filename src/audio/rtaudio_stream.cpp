#include "audio/rtaudio_stream.h"

#include <RtAudio.h>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_backends.h"
#include "audio/render.h"
#include "core/log.h"

namespace lumenor {

namespace {

constexpr unsigned int kBufferFrames = 512;

// Runtime stream errors are not fatal to us and must not print.
void ignoreError(RtAudioError::Type, const std::string&) {}

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

RtAudio::Api apiOf(AudioBackend backend) {
    return backend == AudioBackend::pulseAudio ? RtAudio::LINUX_PULSE : RtAudio::LINUX_ALSA;
}

// JACK is never tried: its client library launches a server of its own.
class RtAudioOpener : public AudioBackendProbe {
  public:
    RtAudioOpener(std::string streamName, RtAudioCallback callback, void* userData)
        : streamName_(std::move(streamName)), callback_(callback), userData_(userData) {}

    bool isCompiledIn(AudioBackend backend) const override {
        std::vector<RtAudio::Api> apis;
        RtAudio::getCompiledApi(apis);
        return std::find(apis.begin(), apis.end(), apiOf(backend)) != apis.end();
    }

    std::optional<QString> open(AudioBackend backend) override {
        const RtAudio::Api api = apiOf(backend);
        try {
            auto audio = std::make_unique<RtAudio>(api);
            audio->showWarnings(false);
            if (audio->getCurrentApi() != api || audio->getDeviceCount() == 0) {
                return backend == AudioBackend::pulseAudio
                           ? QStringLiteral("no sound server answered")
                           : QStringLiteral("no output device was found");
            }
            RtAudio::StreamParameters params;
            params.deviceId = audio->getDefaultOutputDevice();
            params.nChannels = kAudioChannels;
            RtAudio::StreamOptions options;
            options.flags = RTAUDIO_NONINTERLEAVED;
            options.streamName = streamName_;
            unsigned int frames = kBufferFrames;
            audio->openStream(&params, nullptr, RTAUDIO_FLOAT32,
                              static_cast<unsigned int>(kAudioSampleRate), &frames, callback_,
                              userData_, &options, ignoreError);
            opened = std::move(audio);
            return std::nullopt;
        } catch (const RtAudioError& e) {
            return QString::fromStdString(e.getMessage()).trimmed();
        }
    }

    std::unique_ptr<RtAudio> opened;

  private:
    std::string streamName_;
    RtAudioCallback callback_;
    void* userData_;
};

}  // namespace

RtAudioStream::RtAudioStream(QString streamName) : streamName_(std::move(streamName)) {}

RtAudioStream::~RtAudioStream() {
    close();
}

bool RtAudioStream::isRunning() const {
    return audio_ && audio_->isStreamOpen() && audio_->isStreamRunning();
}

int RtAudioStream::callback(void* output, void*, unsigned int frames, double, unsigned int,
                            void* self) {
    auto* stream = static_cast<RtAudioStream*>(self);
    auto* samples = static_cast<float*>(output);
    if (samples == nullptr) {
        return 0;
    }
    if (stream->source_ == nullptr) {
        std::memset(samples, 0, sizeof(float) * frames * kAudioChannels);
        return 0;
    }
    // Non-interleaved: the right channel's frames follow the left's.
    stream->source_->render(samples, samples + frames, frames);
    return 0;
}

bool RtAudioStream::open() {
    // Without a requested latency a PulseAudio playback stream buffers about two seconds, which
    // would put every sync marker two seconds behind its picture. 30 ms proved too short: a
    // 40 ms stall of either process left gaps of silence in the tone. The user's own setting
    // wins.
    ::setenv("PULSE_LATENCY_MSEC", "60", 0);
    // ALSA's library prints its failures on standard error itself; the reason reaches the
    // caller through lastError instead.
    snd_lib_error_set_handler(quietAlsa);
    RtAudioOpener opener(streamName_.toStdString(), &RtAudioStream::callback, this);
    const BackendChoice choice = openPreferredBackend(opener);
    if (!choice.backend) {
        lastError_ = choice.error;
        return false;
    }
    audio_ = std::move(opener.opened);
    qCInfo(logApp).noquote()
        << QStringLiteral("%1 plays through %2").arg(streamName_, backendName(*choice.backend));
    return true;
}

bool RtAudioStream::start() {
    if (!audio_ && !open()) {
        return false;
    }
    try {
        if (!audio_->isStreamRunning()) {
            audio_->startStream();
        }
        return true;
    } catch (const RtAudioError& e) {
        lastError_ = QString::fromStdString(e.getMessage()).trimmed();
        close();
        return false;
    }
}

void RtAudioStream::pause() {
    if (!isRunning()) {
        return;
    }
    try {
        audio_->stopStream();
    } catch (const RtAudioError&) {
        close();
    }
}

void RtAudioStream::close() {
    if (!audio_) {
        return;
    }
    try {
        if (audio_->isStreamOpen()) {
            audio_->closeStream();
        }
    } catch (const RtAudioError&) {
    }
    audio_.reset();
}

}  // namespace lumenor
