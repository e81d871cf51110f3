#include "audio/audio_backends.h"

#include <QStringList>

namespace lumenor {

QString backendName(AudioBackend backend) {
    switch (backend) {
        case AudioBackend::pulseAudio:
            return QStringLiteral("PulseAudio");
        case AudioBackend::alsa:
            return QStringLiteral("ALSA");
    }
    return {};
}

BackendChoice openPreferredBackend(AudioBackendProbe& probe) {
    QStringList reasons;
    for (const AudioBackend backend : {AudioBackend::pulseAudio, AudioBackend::alsa}) {
        if (!probe.isCompiledIn(backend)) {
            continue;
        }
        const std::optional<QString> failure = probe.open(backend);
        if (!failure) {
            return {backend, {}};
        }
        reasons << QStringLiteral("%1: %2").arg(backendName(backend), failure->simplified());
    }
    if (reasons.isEmpty()) {
        return {std::nullopt, QStringLiteral("built without PulseAudio or ALSA support")};
    }
    return {std::nullopt, reasons.join(QStringLiteral("; "))};
}

}  // namespace lumenor
