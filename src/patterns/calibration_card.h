#pragma once

#include <QPainter>

namespace lumenor::render {

// The reference card, laid out for a 1080-pixel-high canvas and scaled with the height only.
void drawCalibration(QPainter& p, double W, double H);

}  // namespace lumenor::render
