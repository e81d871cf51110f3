#pragma once

#include <QString>

#include <optional>

#include "onboarding/acceptance.h"
#include "onboarding/onboarding_record.h"

namespace lumenor {

// The agreement version the application carries.
inline constexpr const char* kAgreementVersion = "1";
// The version of the guided tour the application carries.
inline constexpr const char* kTourVersion = "1";

namespace EULAGate {

// True exactly when nothing is stored or the stored version is not `currentVersion`
// (compared as strings: "1.0" is not "1").
bool needsAcceptance(const std::optional<Acceptance>& stored, const QString& currentVersion);

}  // namespace EULAGate

namespace TourGate {

// True exactly when no record is stored, whatever a stored record's flags or version.
bool shouldAutoStart(const std::optional<OnboardingRecord>& stored);

// The record saved when the page reports the end of the tour.
OnboardingRecord recordForTourEnd(bool skipped);

// The telemetry event for the end of the tour: "tour_skipped" or "tour_completed".
QString telemetryEventForTourEnd(bool skipped);

}  // namespace TourGate

}  // namespace lumenor
