#pragma once

#include <QPainter>

#include "patterns/video_levels.h"

// The colour bars broadcast engineers measure by, drawn on a y-up canvas of W x H device pixels
// at the levels of a video range.
namespace lumenor::render {

void drawSmpteHdBars(QPainter& p, double W, double H, const VideoLevels& levels);
void drawEbuBars(QPainter& p, double W, double H, const VideoLevels& levels);

}  // namespace lumenor::render
