#pragma once

#include <QJsonObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

namespace lumenor {

// Which version of the licence agreement the user accepted, and when.
struct Acceptance {
    QString version;
    std::int64_t acceptedAt = 0;  // whole seconds since 1970-01-01 00:00 UTC

    friend bool operator==(const Acceptance&, const Acceptance&) = default;

    // The acceptance of `version` at `when`, the fraction of a second cut off (toward zero,
    // also before 1970).
    static Acceptance at(const QString& version, std::chrono::system_clock::time_point when);

    QJsonObject toJson() const;
    // Both keys required: "version" a string, "acceptedAt" a whole number.
    static std::optional<Acceptance> fromJson(const QJsonObject& object);
};

}  // namespace lumenor
