#include "audio/marker_stream.h"

#include "audio/pulse_audio_stream.h"
#include "audio/rtaudio_stream.h"

namespace lumenor {

std::unique_ptr<AudioStream> makeMarkerStream(const QString& name) {
    return std::make_unique<MarkerStream>(std::make_unique<PulseAudioStream>(name),
                                          std::make_unique<RtAudioStream>(name));
}

}  // namespace lumenor
