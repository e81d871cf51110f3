#pragma once

#include <QString>

#include <optional>

namespace lumenor {

// The sound systems an output can play through.
enum class AudioBackend { pulseAudio, alsa };

QString backendName(AudioBackend backend);

// What choosing a back end needs from the audio library.
class AudioBackendProbe {
  public:
    virtual ~AudioBackendProbe() = default;
    virtual bool isCompiledIn(AudioBackend backend) const = 0;
    // Opens the output on `backend`: why it could not, or nothing once it is open.
    virtual std::optional<QString> open(AudioBackend backend) = 0;
};

struct BackendChoice {
    std::optional<AudioBackend> backend;  // the one that opened
    QString error;                        // when none did: each one's reason, on one line
};

// The desktop's sound server first, which shares the device with other programs; plain ALSA
// where no server answers, so that a machine without one still plays.
BackendChoice openPreferredBackend(AudioBackendProbe& probe);

}  // namespace lumenor
