#pragma once

#include <functional>

#include "displays/refresh_link.h"

class QWindow;

namespace lumenor {

// Refresh links on a native Wayland session, from the compositor's presentation-time
// protocol: each link puts a one-pixel, fully transparent sub-surface on a window shown on the
// display and commits it once per refresh, on a queue and thread of its own; the feedback of
// each commit says when the compositor put it on screen (CLOCK_MONOTONIC), the refresh period
// and the refresh counter. A refresh the compositor did not paint shows as a gap.
// Where the compositor offers no wp_presentation, or no window is shown on the display, a timer
// at the screen's nominal rate paces animation and says it does not follow the display.
class WaylandRefreshLinkFactory : public RefreshLinkFactory {
  public:
    // `windowOn` finds a shown window on the display (any shown window for none); `repaint`
    // makes a window commit a frame, which puts a new sub-surface on screen. Both run on the
    // main thread, as create() does.
    WaylandRefreshLinkFactory(std::function<QWindow*(std::optional<DisplayId>)> windowOn,
                              std::function<void(QWindow*)> repaint);

    std::unique_ptr<RefreshLink> create(std::optional<DisplayId> display,
                                        RefreshCallback onRefresh) override;

  private:
    std::function<QWindow*(std::optional<DisplayId>)> windowOn_;
    std::function<void(QWindow*)> repaint_;
};

}  // namespace lumenor
