#include "patterns/animated_patterns.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "patterns/layer_cache.h"
#include "patterns/pattern_fonts.h"
#include "patterns/render_primitives.h"
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

void drawCountdown(QPainter& p, double W, double H, double scale, const Anim& anim) {
    fillAll(p, W, H, Qt::black);
    const double m = std::min(W, H);
    const QPointF c(W / 2, H / 2);
    const double R = 0.38 * m;
    if (anim.sweep > 0) {
        QPainterPath sector;
        sector.setFillRule(Qt::WindingFill);
        sector.moveTo(c);
        arcTo(sector, c, R, kPi / 2, -2 * kPi * anim.sweep);
        sector.closeSubpath();
        fillShape(p, sector, rgb(0.14, 0.14, 0.14));
    }
    // The ring, the cross and the digit stay for a second or more; the sector changes every
    // frame and lies under them.
    LayerCache& layers = LayerCache::forThisThread();
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
