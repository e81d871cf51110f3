#pragma once

#include <optional>
#include <vector>

#include "app/app_state.h"
#include "displays/display_info.h"

namespace lumenor {

// The display with `id` in `displays`, if it is attached.
std::optional<DisplayInfo> findDisplay(const std::vector<DisplayInfo>& displays, DisplayId id);

// Where the output goes: the chosen display while it is attached, else, leaving out the
// display that holds the controller window where there is another, the first that is not
// built in, else the first.
std::optional<DisplayInfo> outputDisplay(const AppState& state);

// The display whose modes are listed: the chosen one while it is attached, else the first.
std::optional<DisplayInfo> selectedDisplay(const AppState& state);

}  // namespace lumenor
