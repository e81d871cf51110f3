#pragma once

#include <QJsonValue>

#include <cmath>
#include <cstdint>
#include <optional>

namespace lumenor {

// A JSON number whose value is whole and fits a signed 64-bit integer (1.0 counts, 1.5 and
// 2^63 do not); none for any other value, booleans included.
inline std::optional<std::int64_t> jsonWholeNumber(const QJsonValue& value) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const QVariant v = value.toVariant();
    if (v.typeId() == QMetaType::LongLong) {
        return v.toLongLong();
    }
    const double d = value.toDouble();
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (!std::isfinite(d) || d < -kTwoTo63 || d >= kTwoTo63 || std::trunc(d) != d) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(d);
}

}  // namespace lumenor
