#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace lumenor {

// `text` with every control character (C0, DEL and C1) written as a visible escape, "\x1b",
// except those in `kept`: what a display or a server names must not drive the terminal it is
// printed on (retitle it, move its cursor, forge lines).
QString withVisibleControls(QStringView text, QStringView kept = {});

// Serialized JSON with the control characters it may still carry raw (DEL and C1; the
// serializer escapes C0) escaped as \u00XX: the same JSON value, safe on a terminal.
QByteArray jsonWithVisibleControls(const QByteArray& json);

}  // namespace lumenor
