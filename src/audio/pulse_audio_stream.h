#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "audio/audio_stream.h"

struct pa_stream;

namespace lumenor {

class PulseContext;

// An output straight on the PulseAudio sound server, for the sync markers: unlike the
// blocking writes under RtAudio, it can ask the server when the frames it writes will be
// heard (where the server reads the stream and how far the sink's output lags, latency of the
// sound card included). 44100 Hz, two float channels, rendered in 512-frame blocks about
// 100 ms ahead. Opened at the first start.
class PulseAudioStream : public AudioStream {
  public:
    explicit PulseAudioStream(QString streamName);
    ~PulseAudioStream() override;
    PulseAudioStream(const PulseAudioStream&) = delete;
    PulseAudioStream& operator=(const PulseAudioStream&) = delete;

    void setSource(AudioSource* source) override { source_ = source; }
    bool isRunning() const override { return running_.load(); }
    bool start() override;
    void pause() override;
    QString lastError() const override { return lastError_; }
    QString timingSource() const override;

  private:
    bool open();
    void close();
    void fill(std::size_t bytes);
    std::optional<std::int64_t> heardAt(std::int64_t position) const;
    void requestTiming(std::int64_t now);
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);

    QString streamName_;
    AudioSource* source_ = nullptr;
    std::unique_ptr<PulseContext> pulse_;
    pa_stream* stream_ = nullptr;
    std::atomic<bool> running_{false};
    QString lastError_;
    // The server's thread's alone:
    std::vector<float> left_;
    std::vector<float> right_;
    std::vector<float> interleaved_;
    std::int64_t written_ = 0;  // frames written since the stream opened
    std::int64_t lastTimingRequestNs_ = 0;
};

}  // namespace lumenor
