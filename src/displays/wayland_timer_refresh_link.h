#pragma once

#include "displays/mutter_display_platform.h"
#include "displays/refresh_link.h"

namespace lumenor {

// Refresh links on GNOME's Wayland desktop until the compositor's own presentation times are
// used: a timer at the monitor's nominal rate, which paces animation but cannot count drops
// (so the frame meter says refresh timing is not available).
class WaylandTimerRefreshLinkFactory : public RefreshLinkFactory {
  public:
    std::unique_ptr<RefreshLink> create(std::optional<DisplayId> display,
                                        RefreshCallback onRefresh) override;

  private:
    MutterDisplayPlatform displays_;
};

}  // namespace lumenor
