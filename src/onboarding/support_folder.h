#pragma once

#include <QString>

namespace lumenor {

// The application's support folder: ~/.local/share/<identifier> (the data home plus the
// application identifier, the folder AppDataLocation names once applyAppIdentity() has run),
// or the temporary folder plus the identifier where there is no data home. Not created here.
QString supportFolder();

inline constexpr const char* kAgreementFileName = "agreement.json";
inline constexpr const char* kOnboardingFileName = "onboarding.json";
inline constexpr const char* kTelemetryFileName = "telemetry.json";

}  // namespace lumenor
