#include "output/trial_prompt.h"

#include <algorithm>

namespace lumenor {

QString trialModeText(const ModeInfo& mode) {
    const QString size = QStringLiteral("%1 \u00D7 %2").arg(mode.pixelWidth).arg(mode.pixelHeight);
    return mode.refreshHz > 0.0 ? size + QString::asprintf(" at %.2f Hz", mode.refreshHz) : size;
}

TrialPrompt trialPrompt(const ModeInfo& mode, int secondsLeft) {
    const int left = std::max(secondsLeft, 0);
    return {QString::number(left), QStringLiteral("Keep %1?").arg(trialModeText(mode)),
            QStringLiteral("Goes back by itself in %1 s").arg(left),
            QString::fromUtf8(kTrialKeysText)};
}

}  // namespace lumenor
