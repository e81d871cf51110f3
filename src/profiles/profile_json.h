#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

#include "profiles/profile.h"

namespace lumenor {

// The stored form: one compact JSON array of profile objects, keys in field order, absent
// optionals left out. None when a number cannot be written as JSON (infinity, NaN), so that
// nothing unreadable is ever stored.
std::optional<QByteArray> encodeProfiles(const std::vector<Profile>& profiles);

// The whole list, or none when the bytes are not a JSON array or any one element lacks a
// required key or holds a value of the wrong type. Optional keys may be missing or null.
std::optional<std::vector<Profile>> decodeProfiles(const QByteArray& bytes);

}  // namespace lumenor
