#pragma once

#include <QJsonObject>

#include <optional>

namespace lumenor {

// The user's choice about telemetry; off until switched on.
struct TelemetrySettings {
    bool enabled = false;

    friend bool operator==(const TelemetrySettings&, const TelemetrySettings&) = default;

    QJsonObject toJson() const;
    // "enabled" required, a boolean ("yes" or 1 do not count).
    static std::optional<TelemetrySettings> fromJson(const QJsonObject& object);
};

}  // namespace lumenor
