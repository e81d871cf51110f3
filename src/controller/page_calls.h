#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

#include "displays/display_info.h"

namespace lumenor {

// The script texts native code runs in the controller page, one per call, byte for byte.
namespace pagecalls {

// The shortest decimal that reads back as `value`, always with a fractional part or an
// exponent (2 gives "2.0", 59.94 "59.94", 1e21 "1e+21"). A value that is not finite gives
// the script's own NaN, Infinity or -Infinity, so that the call still runs.
QString number(double value);

QString displaysChanged(const std::vector<DisplayInfo>& displays);
// The display whose modes are listed and the one the output goes to, as the core has them.
QString displaySelections(DisplayId selected, DisplayId output);
QString modesChanged(const std::vector<ModeInfo>& modes, bool changesAllowed);
// modesChanged with changes not allowed, and the sentence that says why for the page to show.
QString modesRefused(const std::vector<ModeInfo>& modes, const QString& refusal);
// The name travels in a one-element JSON array, so any text reaches the page as a string.
QString patternChanged(const QString& rawName);
QString profilesChanged(const QStringList& names);
// What a loaded profile could not bring back, in a sentence.
QString profileNote(const QString& note);
QString mirrorChanged(bool on);
QString syncOffsetChanged(double ms);
QString videoRangeChanged(const QString& range);
// The slate's text as the output has it, after a profile brought its own.
QString slateTextChanged(const QString& slateText);
QString syncSelections(DisplayId selected, DisplayId output, const QStringList& aspectRatios,
                       double bouncePeriod);
QString modeApplied(bool applied, std::int64_t seconds);
QString outputVisibilityChanged(bool shown);
QString infoVisibilityChanged(bool shown);
QString revertCountdown(std::int64_t seconds);
// `displayGone`: the trial's display went away, so no mode went back.
QString revertResolved(bool kept, bool displayGone = false);
QString frameStatus(double hz, std::int64_t dropped, bool steady);
// No counts at all where refreshes cannot be timed; the page shows `why` instead.
QString frameTimingUnavailable(const QString& why);
QString remoteStatus(const QJsonObject& status);
// A calibration session's state: "connecting", "running" with the patches shown so far, or
// "ended" (also for a session that could not start) with the reason in `message`.
QString calibrationStatus(const QString& state, std::int64_t patches, const QString& message);

// Fixed scripts.
inline constexpr const char* kAutoCycleOn = "window.autoCycleChanged(true)";
inline constexpr const char* kAutoCycleOff = "window.autoCycleChanged(false)";
inline constexpr const char* kReportCopied = "window.reportCopied()";
inline constexpr const char* kStartTour = "window.__qvTour && window.__qvTour.startWelcome()";

}  // namespace pagecalls
}  // namespace lumenor
