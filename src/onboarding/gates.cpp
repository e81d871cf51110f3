#include "onboarding/gates.h"

namespace lumenor {

bool EULAGate::needsAcceptance(const std::optional<Acceptance>& stored,
                               const QString& currentVersion) {
    return !stored || stored->version != currentVersion;
}

bool TourGate::shouldAutoStart(const std::optional<OnboardingRecord>& stored) {
    return !stored.has_value();
}

OnboardingRecord TourGate::recordForTourEnd(bool skipped) {
    return {QLatin1String(kTourVersion), !skipped, skipped};
}

QString TourGate::telemetryEventForTourEnd(bool skipped) {
    return skipped ? QStringLiteral("tour_skipped") : QStringLiteral("tour_completed");
}

}  // namespace lumenor
