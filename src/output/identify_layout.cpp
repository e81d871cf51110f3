#include "output/identify_layout.h"

#include <algorithm>

namespace lumenor {

IdentifyLayout identifyLayout(QSizeF view) {
    const double w = std::min(560.0, view.width() / 2.0);
    const double h = std::min(420.0, view.height() / 2.0);
    const QRectF card((view.width() - w) / 2.0, (view.height() - h) / 2.0, w, h);
    const double cx = card.center().x();
    const double cy = card.center().y();
    // Offsets are upwards from the centre for the number and downwards for the two lines.
    return {card, 0.38 * h, {cx, cy - 0.1 * h}, {cx, cy + 0.26 * h}, {cx, cy + 0.36 * h}};
}

}  // namespace lumenor
