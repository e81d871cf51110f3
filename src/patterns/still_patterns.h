#pragma once

#include <QPainter>
#include <QSet>
#include <QString>

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
void drawGreySteps(QPainter& p, double W, double H);
void drawGradient(QPainter& p, double W, double H);
void drawAspect(QPainter& p, double W, double H, double scale, const QSet<QString>& selection);

}  // namespace lumenor::render
