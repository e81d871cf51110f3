#include "remote/qr_code.h"

#include <QBuffer>
#include <QImage>

#include <qrencode.h>

#include <memory>

namespace lumenor {

std::optional<QrSymbol> encodeQr(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0x7F) {
            return std::nullopt;
        }
    }
    const QByteArray bytes = text.toLatin1();
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!code) {
        return std::nullopt;
    }
    QrSymbol symbol;
    symbol.size = code->width;
    symbol.dark.resize(static_cast<std::size_t>(code->width) *
                       static_cast<std::size_t>(code->width));
    for (std::size_t i = 0; i < symbol.dark.size(); ++i) {
        symbol.dark[i] = (code->data[i] & 1U) != 0;
    }
    return symbol;
}

std::optional<QString> qrDataUrl(const QString& text) {
    const std::optional<QrSymbol> symbol = encodeQr(text);
    if (!symbol) {
        return std::nullopt;
    }
    const int modules = symbol->size + 2 * kQrQuietModules;
    QImage image(modules * kQrPixelsPerModule, modules * kQrPixelsPerModule,
                 QImage::Format_Grayscale8);
    if (image.isNull()) {
        return std::nullopt;
    }
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        const int my = y / kQrPixelsPerModule - kQrQuietModules;
        for (int x = 0; x < image.width(); ++x) {
            const int mx = x / kQrPixelsPerModule - kQrQuietModules;
            line[x] = symbol->isDark(mx, my) ? 0 : 255;
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG") || png.isEmpty()) {
        return std::nullopt;
    }
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

QString qrTerminalText(const QrSymbol& symbol) {
    const int first = -kQrQuietModules;
    const int last = symbol.size + kQrQuietModules;  // one past the end
    QString out;
    for (int y = first; y < last; y += 2) {
        for (int x = first; x < last; ++x) {
            const bool top = !symbol.isDark(x, y);
            const bool bottom = y + 1 < last && !symbol.isDark(x, y + 1);
            out += top ? (bottom ? QChar(0x2588) : QChar(0x2580))
                       : (bottom ? QChar(0x2584) : QChar(u' '));
        }
        out += QLatin1Char('\n');
    }
    return out;
}

}  // namespace lumenor
