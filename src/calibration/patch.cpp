#include "calibration/patch.h"

#include <cmath>

namespace lumenor {

QString rgbText(const DeviceRgb& rgb) {
    return QStringLiteral("%1,%2,%3").arg(rgb.r).arg(rgb.g).arg(rgb.b);
}

DeviceRgb atDepth(const DeviceRgb& rgb, int bits) {
    if (rgb.bits == bits) {
        return rgb;
    }
    const double scale = (std::ldexp(1.0, bits) - 1.0) / (std::ldexp(1.0, rgb.bits) - 1.0);
    const auto code = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
    return {code(rgb.r), code(rgb.g), code(rgb.b), bits};
}

std::optional<int> codeAt(double value, int bits) {
    if (bits < 1 || bits > 16 || !std::isfinite(value)) {
        return std::nullopt;
    }
    const double top = std::ldexp(1.0, bits) - 1.0;
    if (value < 0.0 || value > top) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(value));
}

QRectF centredWindow(double percent) {
    const double side = std::sqrt(percent / 100.0);
    return {(1.0 - side) / 2.0, (1.0 - side) / 2.0, side, side};
}

}  // namespace lumenor
