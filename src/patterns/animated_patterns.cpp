#include "patterns/animated_patterns.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "patterns/layer_cache.h"
#include "patterns/pattern_fonts.h"
#include "patterns/render_primitives.h"
#include "patterns/sector_outline.h"
#include "patterns/text_layers.h"

namespace lumenor::render {

void drawMovingBlock(QPainter& p, double W, double H, const Anim& anim) {
    fillAll(p, W, H, Qt::black);
    const double bw = 0.08 * W;
    const double f = anim.phase - std::floor(anim.phase);
    const double x = (W + bw) * f - bw;
    fillCrisp(p, x, 0, bw, H, kWhite);
}

void drawBounce(QPainter& p, double W, double H, double scale, const Anim& anim) {
    fillAll(p, W, H, Qt::black);
    CrispStrokes floor(W, H);
    if (anim.flash) {
        floor.horizontal(0, W, anim.floorY, std::max(3 * scale, 3.0));
        floor.fill(p, kWhite);
    } else {
        floor.horizontal(0, W, anim.floorY, std::max(scale, 1.0));
        floor.fill(p, rgb(0.28, 0.28, 0.28));
    }
    if (anim.ballCenter) {
        QPainterPath ball;
        ball.addEllipse(*anim.ballCenter, anim.ballRadius, anim.ballRadius);
        fillShape(p, ball, kWhite);
    }
}

namespace {

QPainterPath wedge(QPointF c, double R, double a0, double sweep) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.moveTo(c);
    arcTo(path, c, R, a0, sweep);
    path.closeSubpath();
    return path;
}

// The countdown's sector, clockwise from twelve o'clock. With the centre on a pixel corner, the
// axes between the quarters run along pixel edges, so each pixel's coverage comes from the
// quarter it lies in alone: the quarters swept completely are laid over from the cache (they
// stay for the rest of the second) and only the quarter being swept is filled.
void fillSweep(QPainter& p, LayerCache& layers, QPointF c, double R, double sweep,
               const QColor& colour) {
    const double total = 2 * kPi * sweep;
    const QTransform device = p.deviceTransform();
    if (!movesAndMirrors(device)) {
        fillShape(p, wedge(c, R, kPi / 2, -total), colour);
        return;
    }
    const QPointF centre = device.map(c);
    if (!LayerCache::enabled() || centre.x() != std::floor(centre.x()) ||
        centre.y() != std::floor(centre.y())) {
        fillOutline(p, *sectorOutline(device, c, R, kPi / 2, -total), colour);
        return;
    }
    double a = kPi / 2;
    double done = 0;
    while (total - done >= kPi / 2) {
        const double mid = a - kPi / 4;
        const QPointF corner(c.x() + (std::cos(mid) > 0 ? R : -R),
                             c.y() + (std::sin(mid) > 0 ? R : -R));
        QByteArray key("quarter");
        appendKey(key, {c.x(), c.y(), R, a, static_cast<double>(colour.rgba())});
        layers.draw(p, key, QRectF(c, corner).normalized(), [&](QPainter& q) {
            fillOutline(q, *sectorOutline(q.deviceTransform(), c, R, a, -kPi / 2), colour);
        });
        a -= kPi / 2;
        done += kPi / 2;
    }
    if (total - done > 0) {
        fillOutline(p, *sectorOutline(device, c, R, a, -(total - done)), colour);
    }
}

}  // namespace

void drawCountdown(QPainter& p, double W, double H, double scale, const Anim& anim) {
    fillAll(p, W, H, Qt::black);
    const double m = std::min(W, H);
    const QPointF c(W / 2, H / 2);
    const double R = 0.38 * m;
    // The ring, the cross and the digit stay for a second or more; the sector changes every
    // frame and lies under them.
    LayerCache& layers = LayerCache::forThisThread();
    if (anim.sweep > 0) {
        fillSweep(p, layers, c, R, anim.sweep, rgb(0.14, 0.14, 0.14));
    }
    const double ringWidth = std::max(2 * scale, 2.0);
    QByteArray ring("ring");
    appendKey(ring, {c.x(), c.y(), R, ringWidth});
    const double outer = R + ringWidth;
    layers.draw(p, ring, QRectF(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer),
                [&](QPainter& q) { strokeCircle(q, c, R, kWhite, ringWidth); });
    CrispStrokes cross(W, H);
    cross.horizontal(c.x() - R, c.x() + R, c.y(), std::max(scale, 1.0));
    cross.vertical(c.x(), c.y() - R, c.y() + R, std::max(scale, 1.0));
    cross.fill(p, kWhite);
    if (anim.countNumber) {
        drawCentredInLayers(p, layers,
                            measure(kSansFamily, 0.4 * m, QString::number(*anim.countNumber)),
                            c.x(), c.y(), kWhite);
    }
}

void drawTimecode(QPainter& p, double W, double H, const Anim& anim) {
    fillAll(p, W, H, Qt::black);
    if (anim.timecode) {
        drawCentredInLayers(p, LayerCache::forThisThread(),
                            measure(kSansFamily, 0.16 * std::min(W, H), *anim.timecode), W / 2,
                            H / 2, kWhite);
    }
}

void drawSlate(QPainter& p, double W, double H, const QString& text,
               const std::optional<QImage>& image) {
    fillAll(p, W, H, Qt::black);
    const bool hasText = !text.isEmpty();
    const bool hasImage = image && !image->isNull();
    if (hasImage) {
        const double iw = image->width();
        const double ih = image->height();
        const double boxH = hasText ? 0.45 * H : 0.6 * H;
        const double k = std::min(0.6 * W / iw, boxH / ih);
        const double w = iw * k;
        const double h = ih * k;
        const double yc = hasText ? 0.58 * H : 0.5 * H;
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        // The bitmap's first row is its top: draw it upright in the flipped layout.
        p.translate((W - w) / 2, yc + h / 2);
        p.scale(1, -1);
        p.drawImage(QRectF(0, 0, w, h), *image);
        p.restore();
    }
    if (hasText) {
        drawCentred(p, measure(kSansFamily, 0.085 * std::min(W, H), text), W / 2,
                    hasImage ? 0.26 * H : 0.5 * H, kWhite);
    }
}

}  // namespace lumenor::render
