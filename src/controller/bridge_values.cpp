#include "controller/bridge_values.h"

#include <cmath>
#include <limits>

namespace lumenor::bridge {

namespace {

// 2^63 as a double: the first value above the signed 64-bit range.
constexpr double kTwoTo63 = 9223372036854775808.0;

bool isSignedIntegerType(int type) {
    return type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::Long ||
           type == QMetaType::Short || type == QMetaType::SChar;
}

bool isUnsignedIntegerType(int type) {
    return type == QMetaType::UInt || type == QMetaType::ULongLong || type == QMetaType::ULong ||
           type == QMetaType::UShort || type == QMetaType::UChar;
}

bool isFloatingType(int type) {
    return type == QMetaType::Double || type == QMetaType::Float;
}

bool isNumberType(int type) {
    return isSignedIntegerType(type) || isUnsignedIntegerType(type) || isFloatingType(type);
}

std::optional<std::int64_t> integerOf(const QVariant& value) {
    const int type = value.typeId();
    if (isSignedIntegerType(type)) {
        return value.toLongLong();
    }
    if (isUnsignedIntegerType(type)) {
        const qulonglong u = value.toULongLong();
        if (u > static_cast<qulonglong>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(u);
    }
    return std::nullopt;
}

bool fitsInt64(double d) {
    return std::isfinite(d) && d >= -kTwoTo63 && d < kTwoTo63;
}

}  // namespace

std::optional<std::int64_t> wholeNumber(const QVariant& value) {
    if (const auto i = integerOf(value)) {
        return i;
    }
    if (!isFloatingType(value.typeId())) {
        return std::nullopt;
    }
    const double d = value.toDouble();
    if (!fitsInt64(d) || std::trunc(d) != d) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(d);
}

std::optional<double> numberAsDouble(const QVariant& value) {
    const int type = value.typeId();
    if (type == QMetaType::Bool) {
        return value.toBool() ? 1.0 : 0.0;
    }
    if (!isNumberType(type)) {
        return std::nullopt;
    }
    return value.toDouble();
}

std::optional<double> finiteNumber(const QVariant& value) {
    if (!isNumberType(value.typeId()) || !std::isfinite(value.toDouble())) {
        return std::nullopt;
    }
    return value.toDouble();
}

std::optional<std::int64_t> truncatedNumber(const QVariant& value) {
    const int type = value.typeId();
    if (type == QMetaType::Bool) {
        return value.toBool() ? 1 : 0;
    }
    if (const auto i = integerOf(value)) {
        return i;
    }
    if (!isFloatingType(type)) {
        return std::nullopt;
    }
    const double t = std::trunc(value.toDouble());
    if (!fitsInt64(t)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(t);
}

std::optional<bool> boolean(const QVariant& value) {
    const int type = value.typeId();
    if (type == QMetaType::Bool) {
        return value.toBool();
    }
    if (const auto i = integerOf(value)) {
        if (*i == 0 || *i == 1) {
            return *i == 1;
        }
        return std::nullopt;
    }
    if (isFloatingType(type)) {
        const double d = value.toDouble();
        if (d == 0.0 || d == 1.0) {
            return d == 1.0;
        }
    }
    return std::nullopt;
}

std::optional<QString> string(const QVariant& value) {
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

std::optional<QStringList> stringArray(const QVariant& value) {
    const int type = value.typeId();
    if (type == QMetaType::QStringList) {
        return value.toStringList();
    }
    if (type != QMetaType::QVariantList) {
        return std::nullopt;
    }
    const QVariantList list = value.toList();
    QStringList strings;
    strings.reserve(list.size());
    for (const QVariant& element : list) {
        if (element.typeId() != QMetaType::QString) {
            return std::nullopt;
        }
        strings.push_back(element.toString());
    }
    return strings;
}

}  // namespace lumenor::bridge
