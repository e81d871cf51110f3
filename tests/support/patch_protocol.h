#pragma once

#include <QByteArray>
#include <QtEndian>

namespace lumenor::test {

// The big-endian length that leads each message of the patch protocol, in its 32 bits.
inline QByteArray lengthHeader(qint64 length) {
    QByteArray out(4, '\0');
    qToBigEndian(static_cast<qint32>(length), out.data());
    return out;
}

// One message of the patch protocol: its length, then the text.
inline QByteArray framed(const QByteArray& text) {
    return lengthHeader(text.size()) + text;
}

}  // namespace lumenor::test
