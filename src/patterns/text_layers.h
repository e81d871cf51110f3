#pragma once

#include <QColor>
#include <QPainter>

#include "patterns/layer_cache.h"
#include "patterns/render_primitives.h"

namespace lumenor::render {

// drawText and drawCentred through `cache`, one layer per glyph, so that a glyph that stays
// in place (the hours of a running timecode, a countdown's digit) is drawn once. Glyphs that
// share a pixel are drawn directly, all at once, as coverage where they meet is not the sum of
// their layers'.
void drawTextInLayers(QPainter& p, LayerCache& cache, const TextLine& line, double x, double y,
                      const QColor& colour);
void drawCentredInLayers(QPainter& p, LayerCache& cache, const TextLine& line, double cx, double cy,
                         const QColor& colour);

}  // namespace lumenor::render
