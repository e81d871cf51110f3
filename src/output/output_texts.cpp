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
    // One multi-argument arg(): a chain would substitute later fields into a name holding "%1".
    return QStringLiteral("%1   %2\u00D7%3   %4")
        .arg(display.name, QString::number(m.pixelWidth), QString::number(m.pixelHeight), rate);
}

DisplayInfoTexts displayInfoTexts(const DisplayInfo& display) {
    const ModeInfo& m = display.currentMode;
    return {display.name, QStringLiteral("%1 \u00D7 %2").arg(m.pixelWidth).arg(m.pixelHeight),
            m.refreshHz > 0.0 ? rateText(m.refreshHz) : QStringLiteral("refresh unavailable")};
}

}  // namespace lumenor
