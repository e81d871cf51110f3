#include "onboarding/telemetry_settings.h"

namespace lumenor {

QJsonObject TelemetrySettings::toJson() const {
    return {{QStringLiteral("enabled"), enabled}};
}

std::optional<TelemetrySettings> TelemetrySettings::fromJson(const QJsonObject& object) {
    const QJsonValue enabled = object.value(QLatin1String("enabled"));
    if (!enabled.isBool()) {
        return std::nullopt;
    }
    return TelemetrySettings{enabled.toBool()};
}

}  // namespace lumenor
