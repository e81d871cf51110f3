#pragma once

#include "app/app_platforms.h"

namespace lumenor {

// The desktop's own services, whatever the windowing platform: the user's settings and
// support folder, the CLIPBOARD selection, a file dialog, the desktop's browser and logind's
// wake signal.
void addDesktopServices(AppPlatforms& platforms);

}  // namespace lumenor
