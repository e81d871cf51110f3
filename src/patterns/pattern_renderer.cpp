#include "patterns/pattern_renderer.h"

#include <algorithm>
#include <cmath>

#include "patterns/animated_patterns.h"
#include "patterns/broadcast_patterns.h"
#include "patterns/calibration_card.h"
#include "patterns/graticule_patterns.h"
#include "patterns/render_primitives.h"
#include "patterns/still_patterns.h"

namespace lumenor {

void PatternRenderer::draw(Pattern pattern, QPainter& painter, double W, double H, double scale,
                           const Anim& anim, const QSet<QString>& aspectRatios,
                           const QString& slateText, const std::optional<QImage>& slateImage,
                           VideoRange range) {
    if (!(W > 0) || !(H > 0) || !std::isfinite(W) || !std::isfinite(H)) {
        return;
    }
    if (!(scale > 0) || !std::isfinite(scale)) {
        scale = 1;
    }
    scale = std::clamp(scale, kMinScale, kMaxScale);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.translate(0, H);
    painter.scale(1, -1);
    QPainter& p = painter;
    const VideoLevels levels(range, VideoLevels::canvasBits(painter));
    const VideoLevels device(VideoRange::full, levels.bits());
    switch (pattern) {
        case Pattern::white:
            render::fillAll(p, W, H, render::rgb(1, 1, 1));
            break;
        case Pattern::black:
            render::fillAll(p, W, H, render::rgb(0, 0, 0));
            break;
        case Pattern::grey50:
            render::fillAll(p, W, H, render::rgb(0.5, 0.5, 0.5));
            break;
        case Pattern::red:
            render::fillAll(p, W, H, render::rgb(1, 0, 0));
            break;
        case Pattern::green:
            render::fillAll(p, W, H, render::rgb(0, 1, 0));
            break;
        case Pattern::blue:
            render::fillAll(p, W, H, render::rgb(0, 0, 1));
            break;
        case Pattern::grid:
            render::drawGrid(p, W, H, scale);
            break;
        case Pattern::circle:
            render::drawCircle(p, W, H, scale);
            break;
        case Pattern::focus:
            render::drawFocus(p, W, H, scale);
            break;
        case Pattern::overscan:
            render::drawOverscan(p, W, H, scale);
            break;
        case Pattern::pixelGrid:
            render::drawPixelGrid(p, W, H);
            break;
        case Pattern::smpte:
            render::drawSmpte(p, W, H);
            break;
        case Pattern::pluge:
            render::drawPluge(p, W, H);
            break;
        case Pattern::grayscaleSteps:
            render::drawGreySteps(p, W, H, device);
            break;
        case Pattern::gradient:
            render::drawGradient(p, W, H, device);
            break;
        case Pattern::aspect:
            render::drawAspect(p, W, H, scale, aspectRatios);
            break;
        case Pattern::calibration:
            render::drawCalibration(p, W, H);
            break;
        case Pattern::movingBlock:
            render::drawMovingBlock(p, W, H, anim);
            break;
        case Pattern::bounce:
            render::drawBounce(p, W, H, scale, anim);
            break;
        case Pattern::countdown:
            render::drawCountdown(p, W, H, scale, anim);
            break;
        case Pattern::timecode:
            render::drawTimecode(p, W, H, anim);
            break;
        case Pattern::slate:
            render::drawSlate(p, W, H, slateText, slateImage);
            break;
        case Pattern::smpteHdBars:
            render::drawSmpteHdBars(p, W, H, levels);
            break;
        case Pattern::ebuBars:
            render::drawEbuBars(p, W, H, levels);
            break;
        case Pattern::safeAreas:
            render::drawSafeAreas(p, W, H, scale, levels);
            break;
        case Pattern::crosshatch:
            render::drawCrosshatch(p, W, H, scale, levels);
            break;
    }
    painter.restore();
}

}  // namespace lumenor
