#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace lumenor {

inline constexpr const char* kEulaHandlerName = "qvEula";
inline constexpr const char* kPrefsHandlerName = "qvPrefs";

// What the agreement page asks for.
enum class EulaAction { agree, quit, close };

// A message on "qvEula" whose body is an object with a string "action" naming one of the
// three; none for anything else.
std::optional<EulaAction> parseEulaMessage(const QString& handler, const QVariant& body);

// The agreement page's two modes, by raw value.
enum class EulaMode { gate, view };
QString rawValue(EulaMode mode);

// What the preferences page asks for: turn telemetry or the automatic update checks on or
// off, or replay the tour.
struct PrefsRequest {
    enum class Kind { setTelemetry, replayTutorial, setAutomaticUpdates };
    Kind kind;
    bool value = false;  // the switches: the body's boolean "value", false when not a boolean
};

// A message on "qvPrefs" whose body is an object with a string "action" naming one of the
// three; none for anything else.
std::optional<PrefsRequest> parsePrefsMessage(const QString& handler, const QVariant& body);

// The script that hands the telemetry state to the preferences page, once it has its hook.
QString prefsInitScript(bool telemetry);

// The script that hands the automatic-update switch to the preferences page and shows it.
QString updatesInitScript(bool automatic);

}  // namespace lumenor
