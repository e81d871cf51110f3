#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QThread>

#include <cstdlib>

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

// The number of pixels that differ between two RGB32 images of one size by more than
// `tolerance` in some channel.
inline int differing(const QImage& a, const QImage& b, int tolerance = 0) {
    if (a.size() != b.size()) {
        return a.width() * a.height() + 1;
    }
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = la[x];
            const QRgb q = lb[x];
            n += std::abs(qRed(p) - qRed(q)) > tolerance ||
                         std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                         std::abs(qBlue(p) - qBlue(q)) > tolerance
                     ? 1
                     : 0;
        }
    }
    return n;
}

// Waits until `area` of the screen (an X server's, or a nested desktop's) shows `expected` (up to
// `timeoutMs`), then returns how many pixels still differ (by more than `tolerance`).
template <typename Screen>
int settle(const Screen& x, const QRect& area, const QImage& expected, int timeoutMs = 10000,
           int tolerance = 0) {
    QElapsedTimer t;
    t.start();
    int diff = 0;
    do {
        diff = differing(x.capture(area), expected, tolerance);
        if (diff == 0) {
            break;
        }
        QThread::msleep(100);
    } while (t.elapsed() < timeoutMs);
    return diff;
}

}  // namespace lumenor::test
