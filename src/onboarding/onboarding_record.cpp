#include "onboarding/onboarding_record.h"

namespace lumenor {

QJsonObject OnboardingRecord::toJson() const {
    return {{QStringLiteral("version"), version},
            {QStringLiteral("completed"), completed},
            {QStringLiteral("skipped"), skipped}};
}

std::optional<OnboardingRecord> OnboardingRecord::fromJson(const QJsonObject& object) {
    const QJsonValue version = object.value(QLatin1String("version"));
    const QJsonValue completed = object.value(QLatin1String("completed"));
    const QJsonValue skipped = object.value(QLatin1String("skipped"));
    if (!version.isString() || !completed.isBool() || !skipped.isBool()) {
        return std::nullopt;
    }
    return OnboardingRecord{version.toString(), completed.toBool(), skipped.toBool()};
}

}  // namespace lumenor
