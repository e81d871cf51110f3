#pragma once

#include <optional>
#include <vector>

#include "app/app_state.h"
#include "displays/display_info.h"
#include "displays/revert_coordinator.h"
#include "remote/remote_routes.h"

namespace lumenor {

// The mode on trial as the phone shows it; none while no trial runs.
std::optional<RemoteTrial> remoteTrial(const RevertCoordinator& revert,
                                       const std::vector<DisplayInfo>& displays);

// Whether the display under trial needs a card of its own. Where the controller window shows
// the page's countdown there, uncovered by the output, it does not: the page has already put
// the keyboard on its "Revert now".
bool trialNeedsCard(DisplayId display, const AppState& state,
                    std::optional<DisplayId> outputDisplay, bool mirrorOn);

}  // namespace lumenor
