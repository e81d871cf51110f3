#pragma once

#include <QString>

namespace lumenor {

// Reverse-DNS identity: log subsystem, settings scope and support-folder name.
inline constexpr const char* kAppId = LUMENOR_APP_ID;
inline constexpr const char* kAppName = "Lumenor";
inline constexpr const char* kVersion = LUMENOR_VERSION;

// Sets the application's name, organisation and version on the running Qt application, so
// that QSettings and QStandardPaths resolve under the identifier.
void applyAppIdentity();

}  // namespace lumenor
