#pragma once

#include <QSet>
#include <QString>

#include <array>

namespace lumenor {

struct Rgb {
    double r;
    double g;
    double b;
};

// One frame of the aspect pattern; labels have no spaces around the colon.
struct AspectFrame {
    const char* label;
    double ratio;
    Rgb colour;
};

// The four frames, in drawing order.
const std::array<AspectFrame, 4>& aspectFrames();

// The operator's default choice of frames: all four labels.
QSet<QString> defaultAspectSelection();

// Name of a rectangle's shape from the common-ratio table ("16 : 9"), or "%.2f : 1" when no
// row is within 0.03.
QString aspectName(double width, double height);

}  // namespace lumenor
