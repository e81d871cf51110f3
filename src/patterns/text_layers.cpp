#include "patterns/text_layers.h"

#include <QPainterPath>

#include <vector>

namespace lumenor::render {

namespace {

// The outline's contours, neighbours whose pixels meet joined into one glyph (an "0" and its
// counter, the two dots of a colon).
struct Glyph {
    QPainterPath path;
    QRect pixels;
};

std::vector<Glyph> glyphsOf(const QPainterPath& outline, const QTransform& device) {
    std::vector<Glyph> glyphs;
    QPainterPath contour;
    contour.setFillRule(outline.fillRule());
    auto flush = [&] {
        if (contour.isEmpty()) {
            return;
        }
        const QRect pixels = pixelsReachedBy(device.mapRect(contour.controlPointRect()));
        if (!glyphs.empty() && glyphs.back().pixels.intersects(pixels)) {
            glyphs.back().path.addPath(contour);
            glyphs.back().pixels |= pixels;
        } else {
            glyphs.push_back({contour, pixels});
        }
        contour = QPainterPath();
        contour.setFillRule(outline.fillRule());
    };
    for (int i = 0; i < outline.elementCount(); ++i) {
        const QPainterPath::Element e = outline.elementAt(i);
        switch (e.type) {
            case QPainterPath::MoveToElement:
                flush();
                contour.moveTo(e);
                break;
            case QPainterPath::LineToElement:
                contour.lineTo(e);
                break;
            case QPainterPath::CurveToElement:
                contour.cubicTo(e, outline.elementAt(i + 1), outline.elementAt(i + 2));
                i += 2;
                break;
            case QPainterPath::CurveToDataElement:
                break;
        }
    }
    flush();
    return glyphs;
}

bool anyMeet(const std::vector<Glyph>& glyphs) {
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        for (std::size_t j = i + 1; j < glyphs.size(); ++j) {
            if (glyphs[i].pixels.intersects(glyphs[j].pixels)) {
                return true;
            }
        }
    }
    return false;
}

QByteArray keyOf(const QPainterPath& path, double x, double y, const QColor& colour) {
    QByteArray key("glyph");
    key.append(static_cast<char>(path.fillRule()));
    appendKey(key, {x, y, static_cast<double>(colour.rgba())});
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        appendKey(key, {static_cast<double>(e.type), e.x, e.y});
    }
    return key;
}

}  // namespace

void drawTextInLayers(QPainter& p, LayerCache& cache, const TextLine& line, double x, double y,
                      const QColor& colour) {
    QPainterPath outline;
    outline.addText(QPointF(0, 0), line.font, line.text);
    // The placement drawText gives the outline: baseline at (x, y), glyphs upright.
    QTransform place;
    place.translate(x, y);
    place.scale(1, -1);
    const std::vector<Glyph> glyphs = glyphsOf(outline, place * p.deviceTransform());
    if (!LayerCache::enabled() || anyMeet(glyphs)) {
        drawText(p, line, x, y, colour);
        return;
    }
    for (const Glyph& glyph : glyphs) {
        cache.draw(p, keyOf(glyph.path, x, y, colour), place.mapRect(glyph.path.controlPointRect()),
                   [&](QPainter& q) {
                       q.setRenderHint(QPainter::Antialiasing, true);
                       q.translate(x, y);
                       q.scale(1, -1);
                       q.fillPath(glyph.path, colour);
                   });
    }
}

void drawCentredInLayers(QPainter& p, LayerCache& cache, const TextLine& line, double cx, double cy,
                         const QColor& colour) {
    drawTextInLayers(p, cache, line, cx - line.width / 2, centredBaseline(line, cy), colour);
}

}  // namespace lumenor::render
