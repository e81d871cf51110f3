#include "calibration/calibration_request.h"

#include <cmath>

#include "calibration/resolve_client.h"

namespace lumenor {

namespace {

struct Range {
    const char* option;
    double low;
    double high;
    bool lowExcluded;
};

constexpr Range kWindow{"window", 0.0, 100.0, true};
constexpr Range kBackground{"background", 0.0, 255.0, false};
constexpr Range kInsertGrey{"insert-grey", 0.0, 255.0, false};
constexpr Range kInsertEvery{"insert-every", 0.0, 3600.0, true};
constexpr Range kInsertFor{"insert-for", 0.0, 60.0, true};

// Written so that a value that is not a number fails too.
bool inside(double value, const Range& r) {
    return value <= r.high && (r.lowExcluded ? value > r.low : value >= r.low);
}

PatchValueError outside(const Range& r) {
    return PatchValueError{QString::fromLatin1(r.option), r.low, r.high, r.lowExcluded, false};
}

}  // namespace

QString CalibrationPeer::text() const {
    return resolve ? QStringLiteral("%1:%2").arg(host).arg(port) : address.toString();
}

std::optional<CalibrationPeer> parseCalibrationPeer(const QString& program, const QString& where) {
    CalibrationPeer peer;
    if (program == QLatin1String("resolve")) {
        const QUrl url(QStringLiteral("tcp://") + where);
        if (where.isEmpty() || !url.isValid() || url.host().isEmpty() || !url.path().isEmpty() ||
            !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()) {
            return std::nullopt;
        }
        const int port = url.port(ResolveClient::kDefaultPort);
        if (port <= 0) {
            return std::nullopt;
        }
        peer.host = url.host();
        peer.port = static_cast<quint16>(port);
        return peer;
    }
    if (program != QLatin1String("argyll")) {
        return std::nullopt;
    }
    QString text = where;
    if (!text.contains(QStringLiteral("://"))) {
        text.prepend(QStringLiteral("http://"));
    }
    const QUrl url(text);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()) {
        return std::nullopt;
    }
    peer.resolve = false;
    peer.address = url;
    return peer;
}

std::variant<PatchOptions, PatchValueError> checkPatchValues(const PatchValues& values) {
    PatchOptions options;
    if (values.window) {
        if (!inside(*values.window, kWindow)) {
            return outside(kWindow);
        }
        options.windowPercent = values.window;
    }
    if (values.background) {
        if (!inside(*values.background, kBackground)) {
            return outside(kBackground);
        }
        options.backgroundLevel = static_cast<int>(std::lround(*values.background));
    }
    if (values.insertGrey) {
        if (!inside(*values.insertGrey, kInsertGrey)) {
            return outside(kInsertGrey);
        }
        options.insertGrey = static_cast<int>(std::lround(*values.insertGrey));
    }
    if (values.insertEvery.has_value() != values.insertFor.has_value()) {
        return PatchValueError{QString(), 0.0, 0.0, false, true};
    }
    if (values.insertEvery) {
        if (!inside(*values.insertEvery, kInsertEvery)) {
            return outside(kInsertEvery);
        }
        if (!inside(*values.insertFor, kInsertFor)) {
            return outside(kInsertFor);
        }
        options.insertEvery = *values.insertEvery;
        options.insertFor = *values.insertFor;
    }
    return options;
}

}  // namespace lumenor
