#include "updates/version_order.h"

#include <QRegularExpression>

#include <algorithm>

namespace lumenor {
namespace {

// Enough digits for any real version number, few enough never to overflow.
constexpr int kMaxDigits = 9;

bool isNumber(const QString& part) {
    return !part.isEmpty() && part.size() <= kMaxDigits &&
           std::all_of(part.begin(), part.end(), [](QChar c) { return c.isDigit(); });
}

int compareIdentifiers(const QString& a, const QString& b) {
    const bool aNumber = isNumber(a);
    const bool bNumber = isNumber(b);
    if (aNumber && bNumber) {
        const unsigned x = a.toUInt();
        const unsigned y = b.toUInt();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (aNumber != bNumber) {
        return aNumber ? -1 : 1;
    }
    return QString::compare(a, b, Qt::CaseSensitive);
}

}  // namespace

std::optional<Version> parseVersion(const QString& text) {
    QString rest = text.trimmed();
    if (rest.startsWith(QLatin1Char('v')) || rest.startsWith(QLatin1Char('V'))) {
        rest.remove(0, 1);
    }
    rest = rest.section(QLatin1Char('+'), 0, 0);
    const qsizetype hyphen = rest.indexOf(QLatin1Char('-'));
    const QString core = hyphen < 0 ? rest : rest.left(hyphen);

    Version version;
    for (const QString& part : core.split(QLatin1Char('.'))) {
        if (!isNumber(part)) {
            return std::nullopt;
        }
        version.numbers.push_back(part.toUInt());
    }
    if (hyphen >= 0) {
        static const QRegularExpression identifier(QStringLiteral("^[0-9A-Za-z-]+$"));
        version.preRelease = rest.mid(hyphen + 1).split(QLatin1Char('.'));
        for (const QString& id : version.preRelease) {
            if (!identifier.match(id).hasMatch()) {
                return std::nullopt;
            }
        }
    }
    return version;
}

int compareVersions(const Version& a, const Version& b) {
    const std::size_t count = std::max(a.numbers.size(), b.numbers.size());
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned x = i < a.numbers.size() ? a.numbers[i] : 0;
        const unsigned y = i < b.numbers.size() ? b.numbers[i] : 0;
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.preRelease.isEmpty() || b.preRelease.isEmpty()) {
        return a.preRelease.isEmpty() == b.preRelease.isEmpty() ? 0
                                                                : (a.preRelease.isEmpty() ? 1 : -1);
    }
    const qsizetype shared = std::min(a.preRelease.size(), b.preRelease.size());
    for (qsizetype i = 0; i < shared; ++i) {
        const int order = compareIdentifiers(a.preRelease[i], b.preRelease[i]);
        if (order != 0) {
            return order < 0 ? -1 : 1;
        }
    }
    return a.preRelease.size() == b.preRelease.size()
               ? 0
               : (a.preRelease.size() < b.preRelease.size() ? -1 : 1);
}

}  // namespace lumenor
