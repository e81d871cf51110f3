#pragma once

#include <QByteArrayView>
#include <QRectF>
#include <QSize>
#include <QString>

#include <optional>

#include "calibration/patch.h"

namespace lumenor {

// A patch's place and size as the program gave it: fractions of the display, or pixels
// when any value is above 1.
struct ResolveGeometry {
    double x = 0.0;
    double y = 0.0;
    double w = 1.0;
    double h = 1.0;
};

// One <calibration> message: a colour over a background, each at the depth it was given at.
struct ResolveRequest {
    DeviceRgb colour;
    DeviceRgb background;
    std::optional<ResolveGeometry> geometry;  // none: full field
};

struct ResolveParse {
    std::optional<ResolveRequest> request;
    QString error;  // why the message was refused, when it was
};

// Reads one message, in either of its two forms: <color>, <background>, <geometry> with
// `bits`, or <shapes> holding one or two <rectangle>s (the first of two is the background).
// Decimal commas are accepted.
ResolveParse parseResolveMessage(QByteArrayView xml);

// The geometry as fractions of a display of `display` pixels; none when it does not lie on
// the display or has no area.
std::optional<QRectF> resolveGeometry(const ResolveGeometry& geometry, QSize display);

}  // namespace lumenor
