#pragma once

#include <memory>

#include "audio/audio_stream.h"

class RtAudio;

namespace lumenor {

// The audio output on RtAudio: the PulseAudio sound server, or ALSA where none answers (the log
// says which plays), 44100 Hz, 2 float channels, non-interleaved, 512-frame callbacks. Opened at
// the first start, so a server that appears later is found by the next start.
class RtAudioStream : public AudioStream {
  public:
    explicit RtAudioStream(QString streamName);
    ~RtAudioStream() override;

    void setSource(AudioSource* source) override { source_ = source; }
    bool isRunning() const override;
    bool start() override;
    void pause() override;
    QString lastError() const override { return lastError_; }

  private:
    static int callback(void* output, void* input, unsigned int frames, double time,
                        unsigned int status, void* self);
    bool open();
    void close();

    QString streamName_;
    AudioSource* source_ = nullptr;
    std::unique_ptr<RtAudio> audio_;
    QString lastError_;
};

}  // namespace lumenor
