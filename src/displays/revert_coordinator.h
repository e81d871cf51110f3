#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "displays/mode_platform.h"

class QTimer;

namespace lumenor {

// Puts a mode on a display on trial, for this application only, and counts down; unless the
// trial is kept in time the previous mode goes back. Main thread only.
class RevertCoordinator {
  public:
    explicit RevertCoordinator(ModePlatform& platform);
    ~RevertCoordinator();
    RevertCoordinator(const RevertCoordinator&) = delete;
    RevertCoordinator& operator=(const RevertCoordinator&) = delete;

    // Told the count at the start of a trial and after every tick.
    std::function<void(int)> onCountdown;
    // Told that a trial, a keep or a revert ended: true when the mode was kept.
    std::function<void(bool)> onResolved;

    // Where the platform refuses mode changes, logs why and reports false at once, touching
    // nothing.
    void begin(const ModeInfo& target, const std::optional<ModeInfo>& snapshot, DisplayId displayID,
               int seconds);
    void keep();
    void revertNow();

    bool trialRunning() const { return pending_.has_value(); }
    int secondsLeft() const { return secondsLeft_; }
    std::optional<DisplayId> displayID() const { return displayID_; }
    // The mode on trial, while one is.
    const std::optional<ModeInfo>& pendingMode() const { return pending_; }
    // True when the last trial ended without its mode going back, because its display had
    // gone (from onResolved on, until the next trial ends).
    bool endedWithDisplayGone() const { return displayGone_; }
    // True when the last trial never ran: the display or the desktop refused its mode (from
    // onResolved on, until the next trial begins).
    bool endedRefused() const { return refused_; }

  private:
    void resolve(bool kept);
    void tick();
    void stopTimer();

    ModePlatform& platform_;
    std::optional<ModeInfo> snapshot_;
    std::optional<ModeInfo> pending_;
    std::optional<DisplayId> displayID_;
    std::unique_ptr<QTimer> timer_;
    int secondsLeft_ = 0;
    bool displayGone_ = false;
    bool refused_ = false;
};

}  // namespace lumenor
