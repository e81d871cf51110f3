#pragma once

#include <QString>

#include "displays/display_info.h"

namespace lumenor {

// "Studio   3840×2160   60.00 Hz"; the rate reads "—" when the display gives none.
QString displayBannerText(const DisplayInfo& display);
// Added to the banner where the output covers the controller window.
inline constexpr const char* kHideHintText = "   \u00B7   Esc or O takes the output away";

// The info card's display lines.
struct DisplayInfoTexts {
    QString name;
    QString resolution;  // "3840 × 2160"
    QString rate;        // "60.00 Hz" or "refresh unavailable"
};
DisplayInfoTexts displayInfoTexts(const DisplayInfo& display);

}  // namespace lumenor
