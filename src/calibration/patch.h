#pragma once

#include <QRectF>
#include <QString>

#include <optional>

namespace lumenor {

// One colour as a calibration program gave it: device values, unmanaged, at `bits` bits a
// channel (8, or more where the program asks for finer values).
struct DeviceRgb {
    int r = 0;
    int g = 0;
    int b = 0;
    int bits = 8;
    friend bool operator==(const DeviceRgb&, const DeviceRgb&) = default;
};

// The colour at `bits` bits a channel: each value the nearest code of that depth.
DeviceRgb atDepth(const DeviceRgb& rgb, int bits);

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

// A component given at `bits` (1 to 16) as the nearest whole code of that depth; none when it
// is not a number from 0 to 2^bits - 1.
std::optional<int> codeAt(double value, int bits);

// The window of `area` percent of the display's area, centred, with the display's shape.
QRectF centredWindow(double percent);

}  // namespace lumenor
