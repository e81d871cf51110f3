#pragma once

#include <vector>

#include "displays/mode_platform.h"

namespace lumenor {

// The modes of one display as the controller page shows them: de-duplicated, sorted largest
// and fastest first, with the current and the native (largest) mode marked. Empty when the
// platform has no list.
std::vector<ModeInfo> modesForDisplay(ModePlatform& platform, DisplayId id);

// Puts `mode` on the display in one transaction; true exactly when the platform made the change.
bool applyDisplayMode(ModePlatform& platform, DisplayId id, const ModeInfo& mode,
                      ConfigureScope scope);

}  // namespace lumenor
