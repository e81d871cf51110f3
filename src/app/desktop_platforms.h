#pragma once

#include <memory>
#include <optional>

#include "app/app_platforms.h"
#include "displays/xrandr_connection.h"

namespace lumenor {

// The real services of the desktop: XRandR on `connection` and a connection of the mode
// platform's own, Present refresh links, RtAudio, the user's settings and support folder, the
// CLIPBOARD selection, a file dialog, the desktop's browser and logind's wake signal. None,
// after a line on standard error, when the mode platform's connection cannot be opened.
std::optional<AppPlatforms> makeDesktopPlatforms(std::unique_ptr<XrandrConnection> connection);

}  // namespace lumenor
