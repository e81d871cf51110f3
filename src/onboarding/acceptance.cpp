#include "onboarding/acceptance.h"

#include "core/json_number.h"

namespace lumenor {

Acceptance Acceptance::at(const QString& version, std::chrono::system_clock::time_point when) {
    // duration_cast truncates toward zero.
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch());
    return {version, static_cast<std::int64_t>(seconds.count())};
}

QJsonObject Acceptance::toJson() const {
    return {{QStringLiteral("version"), version},
            {QStringLiteral("acceptedAt"), static_cast<qint64>(acceptedAt)}};
}

std::optional<Acceptance> Acceptance::fromJson(const QJsonObject& object) {
    const QJsonValue version = object.value(QLatin1String("version"));
    const std::optional<std::int64_t> at =
        jsonWholeNumber(object.value(QLatin1String("acceptedAt")));
    if (!version.isString() || !at) {
        return std::nullopt;
    }
    return Acceptance{version.toString(), *at};
}

}  // namespace lumenor
