#pragma once

#include <QImage>
#include <QPainter>
#include <QString>

#include <optional>

#include "patterns/anim.h"

// The animated patterns and the slate, drawn on a y-up canvas of W x H device pixels.
namespace lumenor::render {

void drawMovingBlock(QPainter& p, double W, double H, const Anim& anim);
void drawBounce(QPainter& p, double W, double H, double scale, const Anim& anim);
void drawCountdown(QPainter& p, double W, double H, double scale, const Anim& anim);
void drawTimecode(QPainter& p, double W, double H, const Anim& anim);
void drawSlate(QPainter& p, double W, double H, const QString& text,
               const std::optional<QImage>& image);

}  // namespace lumenor::render
