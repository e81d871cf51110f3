#include "updates/update_offer.h"

namespace lumenor {

std::optional<QByteArray> offerStatement(const AppcastItem& item) {
    if (!item.enclosure) {
        return std::nullopt;
    }
    const AppcastEnclosure& e = *item.enclosure;
    const std::pair<const char*, QString> claims[] = {
        {"package", QLatin1String(kPackageName)}, {"version", item.version},
        {"short-version", item.shortVersion},     {"architecture", e.arch},
        {"length", QString::number(e.length)},    {"sha256", e.sha256.toLower()},
    };
    QByteArray statement = "lumenor-update-offer-1\n";
    for (const auto& [key, value] : claims) {
        // A line break would let one claim pass for several.
        if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))) {
            return std::nullopt;
        }
        statement += key + QByteArray("=") + value.toUtf8() + '\n';
    }
    return statement;
}

}  // namespace lumenor
