#include "audio/rtaudio_stream.h"

#include <RtAudio.h>

#include <cstdlib>
#include <cstring>

#include "audio/render.h"

namespace lumenor {

namespace {

constexpr unsigned int kBufferFrames = 512;

// Runtime stream errors are not fatal to us and must not print.
void ignoreError(RtAudioError::Type, const std::string&) {}

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
    // The desktop's sound server. JACK is left out because its client library tries to launch
    // a server of its own, and plain ALSA because its library prints its failures itself.
    for (RtAudio::Api api : {RtAudio::LINUX_PULSE}) {
        try {
            auto audio = std::make_unique<RtAudio>(api);
            audio->showWarnings(false);
            if (audio->getCurrentApi() != api || audio->getDeviceCount() == 0) {
                lastError_ =
                    QStringLiteral("no sound server answered and no output device was found");
                continue;
            }
            RtAudio::StreamParameters params;
            params.deviceId = audio->getDefaultOutputDevice();
            params.nChannels = kAudioChannels;
            RtAudio::StreamOptions options;
            options.flags = RTAUDIO_NONINTERLEAVED;
            options.streamName = streamName_.toStdString();
            unsigned int frames = kBufferFrames;
            audio->openStream(&params, nullptr, RTAUDIO_FLOAT32,
                              static_cast<unsigned int>(kAudioSampleRate), &frames,
                              &RtAudioStream::callback, this, &options, ignoreError);
            audio_ = std::move(audio);
            return true;
        } catch (const RtAudioError& e) {
            lastError_ = QString::fromStdString(e.getMessage()).trimmed();
        }
    }
    return false;
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
