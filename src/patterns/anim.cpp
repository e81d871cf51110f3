#include "patterns/anim.h"

#include <algorithm>
#include <cmath>

#include "patterns/timecode_text.h"

namespace lumenor {

namespace {

constexpr double kSweepSpeed = 0.32;

double fractionalPart(double v) {
    return v - std::floor(v);
}

}  // namespace

Anim makeAnim(Pattern pattern, double t, double width, double height, double bouncePeriod,
              int timecodeFps, double flashUntil) {
    Anim anim;
    if (!std::isfinite(t)) {
        t = 0;
    }
    switch (pattern) {
        case Pattern::movingBlock:
            anim.phase = kSweepSpeed * t;
            break;
        case Pattern::bounce: {
            const double r = 0.045 * std::min(width, height);
            const double g = 0.06 * height;
            anim.ballRadius = r;
            anim.floorY = g + r;
            const bool moving = std::isfinite(bouncePeriod) && bouncePeriod > 0;
            const double p = moving ? fractionalPart(t / bouncePeriod + 0.5) : 0.0;
            const double y = 4 * p * (1 - p) * (height - 2 * (g + r)) + (g + r);
            anim.ballCenter = QPointF(width / 2, std::isfinite(y) ? y : g + r);
            anim.flash = flashUntil > t;
            break;
        }
        case Pattern::countdown: {
            const double n = std::floor(t);
            const double tenth = n - 10 * std::floor(n / 10);
            anim.countNumber = 10 - static_cast<int>(tenth);
            // Before the start the fraction is taken from below so that 0 <= sweep < 1 still holds.
            anim.sweep = t >= 0 ? t - std::trunc(t) : fractionalPart(t);
            break;
        }
        case Pattern::timecode:
            anim.timecode = timecodeText(timecodeFps, t);
            break;
        default:
            break;
    }
    return anim;
}

}  // namespace lumenor
