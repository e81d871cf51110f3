#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

#include "displays/refresh_link.h"

namespace lumenor {

// Ticks once per refresh of one display (or of the active displays), on the main thread.
class DisplayLinkAnimator {
  public:
    explicit DisplayLinkAnimator(RefreshLinkFactory& links);
    ~DisplayLinkAnimator();
    DisplayLinkAnimator(const DisplayLinkAnimator&) = delete;
    DisplayLinkAnimator& operator=(const DisplayLinkAnimator&) = delete;

    std::function<void()> onTick;

    // Follows `display` (none: every active display). Keeps a link already following it;
    // stays stopped when no link can be made.
    void start(std::optional<DisplayId> display);
    void stop();

    bool isRunning() const { return link_ != nullptr; }
    // The stamp of the refresh that the latest tick came from; none before the first.
    std::optional<RefreshStamp> lastStamp() const { return lastStamp_; }
    std::optional<DisplayId> currentDisplay() const { return currentDisplay_; }

  private:
    RefreshLinkFactory& links_;
    std::unique_ptr<RefreshLink> link_;
    std::optional<DisplayId> currentDisplay_;
    std::optional<RefreshStamp> lastStamp_;
    QObject context_;  // ticks posted to the main thread die with the animator
};

}  // namespace lumenor
