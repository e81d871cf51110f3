#pragma once

#include <QString>

#include "displays/mode_info.h"

namespace lumenor {

// The words that ask for a mode on trial, on the display under trial and on the phone.
struct TrialPrompt {
    QString count;     // "12"
    QString question;  // "Keep 1920 × 1080 at 60.00 Hz?"
    QString deadline;  // "Goes back by itself in 12 s"
    QString keys;      // what the keys of the display under trial do
};

// "1920 × 1080 at 60.00 Hz", the rate left out where the display gives none.
QString trialModeText(const ModeInfo& mode);
TrialPrompt trialPrompt(const ModeInfo& mode, int secondsLeft);

inline constexpr const char* kTrialKeysText = "Enter: keep \u00B7 Escape: go back";

}  // namespace lumenor
