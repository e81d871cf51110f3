#include "output/output_texts.h"

namespace lumenor {

namespace {

QString rateText(double hz) {
    return QString::asprintf("%.2f Hz", hz);
}

}  // namespace

QString displayBannerText(const DisplayInfo& display) {
    const ModeInfo& m = display.currentMode;
    const QString rate = m.refreshHz > 0.0 ? rateText(m.refreshHz) : QStringLiteral("\u2014");
    return QStringLiteral("%1   %2\u00D7%3   %4")
        .arg(display.name)
        .arg(m.pixelWidth)
        .arg(m.pixelHeight)
        .arg(rate);
}

DisplayInfoTexts displayInfoTexts(const DisplayInfo& display) {
    const ModeInfo& m = display.currentMode;
    return {display.name, QStringLiteral("%1 \u00D7 %2").arg(m.pixelWidth).arg(m.pixelHeight),
            m.refreshHz > 0.0 ? rateText(m.refreshHz) : QStringLiteral("refresh unavailable")};
}

}  // namespace lumenor
