#pragma once

#include <QRectF>
#include <QString>

#include <optional>

namespace lumenor {

// One colour as the output writes it: 8-bit device values, unmanaged.
struct DeviceRgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const DeviceRgb&, const DeviceRgb&) = default;
};

// A colour patch over a background; `window` is the patch's place and size as fractions of
// the display (x, y of its top-left corner, width, height).
struct Patch {
    DeviceRgb colour;
    DeviceRgb background;
    QRectF window{0.0, 0.0, 1.0, 1.0};
    friend bool operator==(const Patch&, const Patch&) = default;
};

// "R,G,B".
QString rgbText(const DeviceRgb& rgb);

// A component given at `bits` (1 to 16) as the nearest 8-bit value; none when it is not a
// number from 0 to 2^bits - 1.
std::optional<int> toEightBit(double value, int bits);

// The window of `area` percent of the display's area, centred, with the display's shape.
QRectF centredWindow(double percent);

}  // namespace lumenor
