#include "onboarding/window_messages.h"

#include <QVariantMap>

namespace lumenor {
namespace {

std::optional<QString> action(const QString& handler, const char* expected, const QVariant& body) {
    if (handler != QLatin1String(expected) || body.typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    const QVariant value = body.toMap().value(QStringLiteral("action"));
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

}  // namespace

std::optional<EulaAction> parseEulaMessage(const QString& handler, const QVariant& body) {
    const std::optional<QString> name = action(handler, kEulaHandlerName, body);
    if (name == QLatin1String("agree")) {
        return EulaAction::agree;
    }
    if (name == QLatin1String("quit")) {
        return EulaAction::quit;
    }
    if (name == QLatin1String("close")) {
        return EulaAction::close;
    }
    return std::nullopt;
}

QString rawValue(EulaMode mode) {
    return mode == EulaMode::gate ? QStringLiteral("gate") : QStringLiteral("view");
}

std::optional<PrefsRequest> parsePrefsMessage(const QString& handler, const QVariant& body) {
    const std::optional<QString> name = action(handler, kPrefsHandlerName, body);
    const QVariant value = body.toMap().value(QStringLiteral("value"));
    const bool on = value.typeId() == QMetaType::Bool && value.toBool();
    if (name == QLatin1String("setTelemetry")) {
        return PrefsRequest{PrefsRequest::Kind::setTelemetry, on};
    }
    if (name == QLatin1String("setAutomaticUpdates")) {
        return PrefsRequest{PrefsRequest::Kind::setAutomaticUpdates, on};
    }
    if (name == QLatin1String("replayTutorial")) {
        return PrefsRequest{PrefsRequest::Kind::replayTutorial};
    }
    return std::nullopt;
}

QString prefsInitScript(bool telemetry) {
    return QStringLiteral("window.__qvPrefsInit && window.__qvPrefsInit({telemetry:%1});")
        .arg(telemetry ? QStringLiteral("true") : QStringLiteral("false"));
}

QString updatesInitScript(bool automatic) {
    return QStringLiteral("window.__qvUpdatesInit && window.__qvUpdatesInit({automatic:%1});")
        .arg(automatic ? QStringLiteral("true") : QStringLiteral("false"));
}

}  // namespace lumenor
