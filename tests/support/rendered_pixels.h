#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QThread>

#include "support/process.h"
#include "support/xorg_testbed.h"

namespace lumenor::test {

// What `lumenor render` draws for a pattern at a size, as RGB32.
inline QImage rendered(const QString& pattern, QSize size) {
    const auto r =
        runProcess(lumenorBinary(), {"render", pattern, "--size",
                                     QStringLiteral("%1x%2").arg(size.width()).arg(size.height())});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QImage::fromData(r.out, "PNG").convertToFormat(QImage::Format_RGB32);
}

// The number of pixels that differ between two images of one size.
inline int differing(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return a.width() * a.height() + 1;
    }
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            n += (la[x] & 0xFFFFFF) != (lb[x] & 0xFFFFFF) ? 1 : 0;
        }
    }
    return n;
}

// Waits until `area` of the server shows `expected` (up to `timeoutMs`), then returns how many
// pixels still differ.
inline int settle(const XorgTestbed& x, const QRect& area, const QImage& expected, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    int diff = 0;
    do {
        diff = differing(x.capture(area), expected);
        if (diff == 0) {
            break;
        }
        QThread::msleep(100);
    } while (t.elapsed() < timeoutMs);
    return diff;
}

}  // namespace lumenor::test
