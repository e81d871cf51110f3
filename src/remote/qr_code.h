#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace lumenor {

// A QR symbol at error correction M, without its quiet zone.
struct QrSymbol {
    int size = 0;            // modules per side
    std::vector<bool> dark;  // row by row
    bool isDark(int x, int y) const {
        return x >= 0 && y >= 0 && x < size && y < size &&
               dark[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
                    static_cast<std::size_t>(x)];
    }
};

constexpr int kQrQuietModules = 4;
constexpr int kQrPixelsPerModule = 10;

// None for text that is not ASCII or that the encoder refuses.
std::optional<QrSymbol> encodeQr(const QString& text);

// "data:image/png;base64,…" of the symbol drawn black on white, 10 pixels a module, with a
// 4-module quiet zone; none when there is no symbol or no PNG.
std::optional<QString> qrDataUrl(const QString& text);

// The symbol for a terminal: half-block characters, two module rows a line, light modules
// drawn as blocks so that it reads on a dark background, quiet zone included.
QString qrTerminalText(const QrSymbol& symbol);

}  // namespace lumenor
