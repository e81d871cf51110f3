#include "calibration/web_display_message.h"

#include <algorithm>
#include <cctype>

namespace lumenor {

std::optional<DeviceRgb> parseWebDisplayColour(QByteArrayView answer) {
    answer = answer.trimmed();
    if (answer.size() != 7 || answer[0] != '#') {
        return std::nullopt;
    }
    const QByteArrayView digits = answer.sliced(1);
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })) {
        return std::nullopt;
    }
    const QByteArray values = QByteArray::fromHex(digits.toByteArray());
    return DeviceRgb{static_cast<unsigned char>(values[0]), static_cast<unsigned char>(values[1]),
                     static_cast<unsigned char>(values[2])};
}

QString webDisplayQuery(const std::optional<DeviceRgb>& shown, quint32 nonce) {
    const QString colour =
        shown ? QStringLiteral("rgb(%1, %2, %3)").arg(shown->r).arg(shown->g).arg(shown->b)
              : QStringLiteral("rgb(128, 128, 128)");
    return colour + QLatin1Char(' ') + QString::number(nonce);
}

}  // namespace lumenor
