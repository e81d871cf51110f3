#pragma once

#include <QByteArray>

#include "displays/refresh_link.h"

namespace lumenor {

// Refresh links from the X11 Present extension: each link asks, on a connection and thread
// of its own, to be told of every refresh (msc) of a small unmapped window placed on the
// display, and stamps each with Present's ust (CLOCK_MONOTONIC microseconds).
class PresentRefreshLinkFactory : public RefreshLinkFactory {
  public:
    // `displayName` as for XOpenDisplay; empty means $DISPLAY.
    explicit PresentRefreshLinkFactory(QByteArray displayName = {});

    std::unique_ptr<RefreshLink> create(std::optional<DisplayId> display,
                                        RefreshCallback onRefresh) override;

  private:
    QByteArray displayName_;
};

}  // namespace lumenor
