#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace lumenor {

// One saved set-up, identified by its name. The display fields describe the display that
// showed the output and its mode; they are all absent when no such display was known.
struct Profile {
    QString name;
    std::optional<QString> outputDisplayName;
    QString pattern;  // a pattern raw name
    QStringList aspectRatios;
    double bouncePeriod = 0.0;  // seconds
    std::optional<std::int64_t> pixelWidth;
    std::optional<std::int64_t> pixelHeight;
    std::optional<double> refreshHz;
    std::optional<QString> slateText;
    // Milliseconds; absent in profiles from before it was kept, and then none.
    std::optional<double> syncOffsetMs;
    // "full" or "limited"; absent in profiles from before it was kept, and then full.
    std::optional<QString> videoRange;

    friend bool operator==(const Profile&, const Profile&) = default;
};

}  // namespace lumenor
