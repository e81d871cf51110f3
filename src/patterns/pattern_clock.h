#pragma once

#include "patterns/pattern.h"

namespace lumenor {

// The animation clock of one pattern view and the timing events it derives: a new second
// of the countdown, and the ball touching the floor (which also starts a 70 ms flash).
class PatternClock {
  public:
    static constexpr double kFlashSeconds = 0.07;

    explicit PatternClock(double now) : startTime_(now) {}

    // A new pattern: the clock and every event start again.
    void restart(double now);
    // A new bounce period: the clock and the bounce start again; the countdown's second is
    // kept.
    void restartBounce(double now);

    struct Events {
        bool countSecond = false;
        bool bounce = false;
    };
    // One refresh. A bounce period that is not positive and finite gives no bounce events.
    Events tick(Pattern pattern, double now, double bouncePeriod);

    double elapsed(double now) const { return now - startTime_; }
    double startTime() const { return startTime_; }
    // Seconds since the start until which the floor line flashes.
    double flashUntil() const { return flashUntil_; }

  private:
    double startTime_;
    long long lastBounceIndex_ = 0;
    long long lastSecondIndex_ = -1;
    double flashUntil_ = 0.0;
};

}  // namespace lumenor
