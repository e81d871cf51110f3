#include "displays/display_info.h"

namespace lumenor {

QJsonObject DisplayInfo::toJson() const {
    QJsonObject mode;
    mode.insert(QStringLiteral("pointWidth"), static_cast<qint64>(currentMode.pointWidth));
    mode.insert(QStringLiteral("pointHeight"), static_cast<qint64>(currentMode.pointHeight));
    mode.insert(QStringLiteral("pixelWidth"), static_cast<qint64>(currentMode.pixelWidth));
    mode.insert(QStringLiteral("pixelHeight"), static_cast<qint64>(currentMode.pixelHeight));
    mode.insert(QStringLiteral("refreshHz"), currentMode.refreshHz);

    QJsonObject o;
    o.insert(QStringLiteral("id"), static_cast<qint64>(id));
    o.insert(QStringLiteral("name"), name);
    o.insert(QStringLiteral("isBuiltin"), isBuiltin);
    o.insert(QStringLiteral("currentMode"), mode);
    o.insert(QStringLiteral("bitsPerChannel"), bitsPerChannel);
    return o;
}

}  // namespace lumenor
