#pragma once

#include <QFont>
#include <QString>

namespace lumenor {

// The faces that stand in for the families the patterns name: "Helvetica Neue" is drawn with
// Nimbus Sans and "Menlo" with DejaVu Sans Mono, loaded from their installed files so that the
// same text gives the same pixels on every machine set up from the package list.
inline constexpr const char* kSansFamily = "Helvetica Neue";
inline constexpr const char* kMonoFamily = "Menlo";

// A font of the named family at a pixel size. Needs a QGuiApplication.
QFont patternFont(const char* family, double pixelSize);

// The family name the face for `family` was registered under, or empty if its file is missing.
QString resolvedFamily(const char* family);

}  // namespace lumenor
