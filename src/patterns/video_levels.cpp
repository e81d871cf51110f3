#include "patterns/video_levels.h"

#include <QImage>
#include <QRgba64>

#include <algorithm>
#include <cmath>

namespace lumenor {

QString rangeName(VideoRange range) {
    return range == VideoRange::limited ? QStringLiteral("limited") : QStringLiteral("full");
}

std::optional<VideoRange> rangeFromName(const QString& name) {
    if (name == QLatin1String("full")) {
        return VideoRange::full;
    }
    if (name == QLatin1String("limited")) {
        return VideoRange::limited;
    }
    return std::nullopt;
}

bool hasTenBitLevels(Pattern pattern) {
    switch (pattern) {
        case Pattern::gradient:
        case Pattern::grayscaleSteps:
        case Pattern::smpteHdBars:
        case Pattern::ebuBars:
            return true;
        default:
            return false;
    }
}

int VideoLevels::canvasBits(const QPainter& painter) {
    const auto* image = dynamic_cast<const QImage*>(painter.device());
    if (image == nullptr) {
        return 8;
    }
    switch (image->format()) {
        case QImage::Format_RGBX64:
        case QImage::Format_RGBA64:
        case QImage::Format_RGBA64_Premultiplied:
            return 16;
        case QImage::Format_RGB30:
        case QImage::Format_BGR30:
        case QImage::Format_A2RGB30_Premultiplied:
        case QImage::Format_A2BGR30_Premultiplied:
            return 10;
        default:
            return 8;
    }
}

int VideoLevels::code(double level) const {
    if (range_ == VideoRange::full) {
        const double top = std::ldexp(1.0, bits_) - 1;
        return static_cast<int>(std::lround(std::clamp(level, 0.0, 1.0) * top));
    }
    // Codes 0 to 3 and 1020 to 1023 are kept for timing in narrow-range video.
    const int c10 = static_cast<int>(std::clamp(std::lround(64 + 876 * level), 4L, 1019L));
    if (bits_ <= 8) {
        return (c10 + 2) >> 2;
    }
    if (bits_ == 10) {
        return c10;
    }
    // Repeating the top bits gives a code that reads back as c10 whether a reader shifts or
    // scales by 65535 / 1023, and shifts down to the 8-bit code.
    return (c10 << 6) | (c10 >> 4);
}

QColor VideoLevels::rgb(double r, double g, double b) const {
    // QColor keeps 16 bits a channel; each depth is reached from them without rounding.
    const auto wide = [this](double level) -> quint16 {
        const int c = code(level);
        if (bits_ <= 8) {
            return static_cast<quint16>(c * 257);
        }
        if (bits_ == 10) {
            return static_cast<quint16>((c << 6) | (c >> 4));
        }
        return static_cast<quint16>(c);
    };
    return QColor::fromRgba64(wide(r), wide(g), wide(b));
}

QColor VideoLevels::ycbcr10(int y, int cb, int cr) const {
    const double Y = lumaLevel(y);
    const double pb = (cb - 512) / 896.0;
    const double pr = (cr - 512) / 896.0;
    constexpr double kr = 0.2126;
    constexpr double kb = 0.0722;
    constexpr double kg = 1 - kr - kb;
    const double r = Y + 2 * (1 - kr) * pr;
    const double b = Y + 2 * (1 - kb) * pb;
    const double g = (Y - kr * r - kb * b) / kg;
    return rgb(r, g, b);
}

}  // namespace lumenor
