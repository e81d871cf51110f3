#include "displays/mode_info.h"

#include <QJsonObject>

#include <utility>

namespace lumenor {

ModeInfo ModeInfo::turnedQuarter() const {
    ModeInfo m = *this;
    std::swap(m.pixelWidth, m.pixelHeight);
    std::swap(m.pointWidth, m.pointHeight);
    return m;
}

std::string ModeInfo::label() const {
    QString text = QStringLiteral("%1x%2").arg(pixelWidth).arg(pixelHeight);
    if (refreshHz > 0.0) {
        text += QString::asprintf(" @ %.2f Hz", refreshHz);
    }
    return text.toStdString();
}

QJsonObject ModeInfo::toJson() const {
    QJsonObject o;
    o.insert(QStringLiteral("id"), static_cast<qint64>(id));
    o.insert(QStringLiteral("pointWidth"), static_cast<qint64>(pointWidth));
    o.insert(QStringLiteral("pointHeight"), static_cast<qint64>(pointHeight));
    o.insert(QStringLiteral("pixelWidth"), static_cast<qint64>(pixelWidth));
    o.insert(QStringLiteral("pixelHeight"), static_cast<qint64>(pixelHeight));
    o.insert(QStringLiteral("refreshHz"), refreshHz);
    o.insert(QStringLiteral("isCurrent"), isCurrent);
    o.insert(QStringLiteral("isNative"), isNative);
    o.insert(QStringLiteral("scaled"), pointWidth != pixelWidth);
    return o;
}

}  // namespace lumenor
