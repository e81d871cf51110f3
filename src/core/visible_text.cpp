#include "core/visible_text.h"

namespace lumenor {
namespace {

bool isControl(QChar c) {
    return c.category() == QChar::Other_Control;
}

}  // namespace

QString withVisibleControls(QStringView text, QStringView kept) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (isControl(c) && !kept.contains(c)) {
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            shown += c;
        }
    }
    return shown;
}

QByteArray jsonWithVisibleControls(const QByteArray& json) {
    const QString text = QString::fromUtf8(json);
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        // C0 is escaped inside strings already, and outside them is only JSON's white space.
        if (isControl(c) && c.unicode() >= 0x7f) {
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            shown += c;
        }
    }
    return shown.toUtf8();
}

}  // namespace lumenor
