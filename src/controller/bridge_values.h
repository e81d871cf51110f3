#pragma once

#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <optional>

namespace lumenor::bridge {

// The conversions of one message value into an argument. Each gives none when the value is
// missing (an invalid QVariant), null, of another type or out of range.

// A number whose value is whole and fits a signed 64-bit integer; 1.5 and true give none.
std::optional<std::int64_t> wholeNumber(const QVariant& value);

// Any number as a double; true and false count as 1.0 and 0.0.
std::optional<double> numberAsDouble(const QVariant& value);

// A finite number; unlike numberAsDouble, true and false give none.
std::optional<double> finiteNumber(const QVariant& value);

// Any number truncated toward zero (29.97 gives 29), or a boolean as 1 or 0. A number whose
// truncation does not fit a signed 64-bit integer gives none.
std::optional<std::int64_t> truncatedNumber(const QVariant& value);

// true or false, or the numbers 1 and 0.
std::optional<bool> boolean(const QVariant& value);

// A string, unchanged.
std::optional<QString> string(const QVariant& value);

// An array whose every element is a string; any other element makes the whole array none.
std::optional<QStringList> stringArray(const QVariant& value);

}  // namespace lumenor::bridge
