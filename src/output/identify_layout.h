#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace lumenor {

// Where an identify card puts its parts, in logical pixels with the origin at the top left.
struct IdentifyLayout {
    QRectF card;
    double numberFontSize;  // the index, bold
    QPointF numberCentre;
    QPointF nameCentre;  // 22 pt medium
    QPointF modeCentre;  // 18 pt monospaced
};

// The card is at most 560 × 420 and at most half the view each way, centred.
IdentifyLayout identifyLayout(QSizeF view);

}  // namespace lumenor
