#pragma once

#include "displays/refresh_link.h"

class QWindow;

namespace lumenor {

enum class PresentationLinkOutcome { made, noSurfaceYet, unsupported };

// A link from the compositor's presentation times on `window` (see WaylandRefreshLinkFactory),
// made on the main thread; null, with the reason in `outcome`, where it cannot be made.
// `nominalHz` stands in for a refresh period the compositor leaves out.
std::unique_ptr<RefreshLink> openPresentationLink(QWindow* window, double nominalHz,
                                                  RefreshCallback onRefresh,
                                                  PresentationLinkOutcome* outcome);

// Qt has made the window's surface (it does as it first shows the window).
bool windowHasSurface(QWindow* window);

}  // namespace lumenor
