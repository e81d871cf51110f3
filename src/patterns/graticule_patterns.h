#pragma once

#include <QPainter>

#include "patterns/video_levels.h"

// Line patterns for reading geometry off a screen, drawn on a y-up canvas of W x H device
// pixels.
namespace lumenor::render {

// The action and title safe areas, the 4:3 and 14:9 protection areas, and rulers reading in
// from each edge in steps of 1 % of the picture.
void drawSafeAreas(QPainter& p, double W, double H, double scale, const VideoLevels& levels);
// Square cells laid out from the centre, with lines through it and on every edge.
void drawCrosshatch(QPainter& p, double W, double H, double scale, const VideoLevels& levels);

}  // namespace lumenor::render
