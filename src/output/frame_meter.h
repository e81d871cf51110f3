#pragma once

#include <QObject>

#include <functional>
#include <memory>

#include "displays/refresh_link.h"
#include "output/frame_cadence.h"

namespace lumenor {

// Watches the refreshes of one display and reports, every 30 refreshes on the main thread,
// its nominal rate and the refreshes it missed.
class FrameMeter {
  public:
    explicit FrameMeter(RefreshLinkFactory& links);
    ~FrameMeter();
    FrameMeter(const FrameMeter&) = delete;
    FrameMeter& operator=(const FrameMeter&) = delete;

    std::function<void(double hz, int dropped, bool steady)> onUpdate;
    // Called once by start, instead of any report, where the display's refreshes cannot be
    // timed (a Wayland desktop): drops counted there would be made up.
    std::function<void()> onTimingUnavailable;

    // Counts from zero on `display`; stays stopped when no link can be made.
    void start(DisplayId display);
    void stop();
    bool isRunning() const { return link_ != nullptr; }

  private:
    RefreshLinkFactory& links_;
    std::unique_ptr<RefreshLink> link_;
    FrameCadence cadence_;  // written by the link's thread while it runs
    QObject context_;       // reports posted to the main thread die with the meter
};

}  // namespace lumenor
