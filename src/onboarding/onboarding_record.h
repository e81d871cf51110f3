#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace lumenor {

// Whether the guided tour has been gone through or left early.
struct OnboardingRecord {
    QString version;
    bool completed = false;
    bool skipped = false;

    friend bool operator==(const OnboardingRecord&, const OnboardingRecord&) = default;

    QJsonObject toJson() const;
    // All three keys required, of their exact types (no numbers for the flags).
    static std::optional<OnboardingRecord> fromJson(const QJsonObject& object);
};

}  // namespace lumenor
