#include "displays/wayland_timer_refresh_link.h"

#include "displays/timer_refresh_link.h"

namespace lumenor {

namespace {

class PacingLink : public RefreshLink {
  public:
    explicit PacingLink(std::unique_ptr<TimerRefreshLink> timer) : timer_(std::move(timer)) {}
    bool followsDisplayClock() const override { return false; }

  private:
    std::unique_ptr<TimerRefreshLink> timer_;
};

}  // namespace

std::unique_ptr<RefreshLink> WaylandTimerRefreshLinkFactory::create(
    std::optional<DisplayId> display, RefreshCallback onRefresh) {
    const std::optional<std::vector<DisplayId>> active = displays_.activeDisplays();
    if (!active || active->empty()) {
        return nullptr;
    }
    const std::optional<ModeInfo> mode = displays_.currentMode(display.value_or(active->front()));
    std::unique_ptr<TimerRefreshLink> timer =
        mode ? TimerRefreshLink::start(mode->refreshHz, std::move(onRefresh)) : nullptr;
    return timer ? std::make_unique<PacingLink>(std::move(timer)) : nullptr;
}

}  // namespace lumenor
