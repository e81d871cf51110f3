#pragma once

#include <QPainter>
#include <QSet>
#include <QString>

#include "patterns/video_levels.h"

// The still patterns other than the calibration card, drawn on a y-up canvas of W x H device
// pixels.
namespace lumenor::render {

void drawGrid(QPainter& p, double W, double H, double scale);
void drawCircle(QPainter& p, double W, double H, double scale);
void drawFocus(QPainter& p, double W, double H, double scale);
void drawOverscan(QPainter& p, double W, double H, double scale);
void drawPixelGrid(QPainter& p, double W, double H);
void drawSmpte(QPainter& p, double W, double H);
void drawPluge(QPainter& p, double W, double H);
// Grey levels at the canvas's depth (`device`: full range at its bits).
void drawGreySteps(QPainter& p, double W, double H, const VideoLevels& device);
void drawGradient(QPainter& p, double W, double H, const VideoLevels& device);
void drawAspect(QPainter& p, double W, double H, double scale, const QSet<QString>& selection);

}  // namespace lumenor::render
