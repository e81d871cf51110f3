#pragma once

#include <memory>

#include "displays/display_platform.h"
#include "displays/refresh_link.h"

namespace lumenor {

// The refresh links of the windowing platform Qt runs on: the X server's Present, or the
// Wayland compositor's presentation times. `displays` must outlive the factory.
std::unique_ptr<RefreshLinkFactory> makeRefreshLinkFactory(DisplayPlatform& displays);

}  // namespace lumenor
