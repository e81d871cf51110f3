#pragma once

#include <QImage>
#include <QSize>

namespace lumenor {

// The soft black shadow under a rounded panel of `panel` size: an image `reach` pixels larger
// on every side, to be drawn with its centre on the panel's, whose darkness fades to nothing
// `reach` pixels out from the panel's edge. `opacity` is its darkness under the panel.
QImage panelShadow(QSize panel, double cornerRadius, int reach, double opacity);

}  // namespace lumenor
