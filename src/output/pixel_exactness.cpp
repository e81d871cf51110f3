#include "output/pixel_exactness.h"

#include <algorithm>
#include <cmath>

namespace lumenor {

namespace {

bool covers(QSize pixels, QSize drawn) {
    // A head turned a quarter either way has its desktop the other way round.
    return drawn == pixels || drawn == pixels.transposed();
}

}  // namespace

std::optional<QString> notOneToOne(QSize modePixels, QSize desktopSize, double devicePixelRatio) {
    if (modePixels.isEmpty() || desktopSize.isEmpty() || !(devicePixelRatio > 0.0)) {
        return std::nullopt;
    }
    const QSize drawn(qRound(desktopSize.width() * devicePixelRatio),
                      qRound(desktopSize.height() * devicePixelRatio));
    if (covers(modePixels, drawn)) {
        return std::nullopt;
    }
    const int longest = std::max(modePixels.width(), modePixels.height());
    const double scale =
        static_cast<double>(longest) / std::max(desktopSize.width(), desktopSize.height());
    return QStringLiteral(
               "not 1:1: the desktop scales this display by %1, which Qt 6.4 cannot "
               "draw at; the compositor resizes every frame")
        .arg(scale, 0, 'g', 4);
}

std::optional<QString> notOneToOne(QSize modePixels, QSize desktopSize) {
    if (modePixels.isEmpty() || desktopSize.isEmpty()) {
        return std::nullopt;
    }
    const double scale = static_cast<double>(std::max(modePixels.width(), modePixels.height())) /
                         std::max(desktopSize.width(), desktopSize.height());
    return notOneToOne(modePixels, desktopSize, std::max(1.0, std::round(scale)));
}

std::optional<QString> notOneToOneOnScreen(QSize modePixels, QSize modePoints, QSize screenSize,
                                           double devicePixelRatio) {
    if (modePoints.isEmpty() || covers(modePoints, screenSize)) {
        return notOneToOne(modePixels, screenSize, devicePixelRatio);
    }
    return notOneToOne(modePixels, modePoints);
}

}  // namespace lumenor
