#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace lumenor {

// A version as release feeds write it: dotted numbers ("1.10", "2.0.3"), optionally a
// pre-release after a hyphen ("1.0.0-beta.2") and build data after a plus, which does not
// count for order. A leading "v" is allowed.
struct Version {
    std::vector<unsigned> numbers;
    QStringList preRelease;  // empty for a release
};

std::optional<Version> parseVersion(const QString& text);

// Semantic version order: numbers compared one by one, missing ones read as 0 (so 1.2 and
// 1.2.0 are equal and 1.10 comes after 1.9); a pre-release comes before its release; two
// pre-releases compare identifier by identifier, numbers numerically and below words.
// Negative, zero or positive as a is before, equal to or after b.
int compareVersions(const Version& a, const Version& b);

}  // namespace lumenor
