#pragma once

#include <QPointF>
#include <QString>

#include <optional>

#include "patterns/pattern.h"

namespace lumenor {

// Per-frame values of the animated patterns; every other pattern leaves them at their defaults.
struct Anim {
    double phase = 0;
    std::optional<QPointF> ballCenter;
    double ballRadius = 0;
    double floorY = 0;
    bool flash = false;
    std::optional<int> countNumber;
    double sweep = 0;
    std::optional<QString> timecode;
};

// The animation values of `pattern` at t seconds after it was selected. A bounce period that is
// not a positive finite number leaves the ball at rest on the floor.
Anim makeAnim(Pattern pattern, double t, double width, double height, double bouncePeriod,
              int timecodeFps, double flashUntil);

}  // namespace lumenor
