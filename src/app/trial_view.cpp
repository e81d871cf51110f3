#include "app/trial_view.h"

#include "app/display_choice.h"
#include "output/trial_prompt.h"

namespace lumenor {

std::optional<RemoteTrial> remoteTrial(const RevertCoordinator& revert,
                                       const std::vector<DisplayInfo>& displays) {
    if (!revert.trialRunning() || !revert.displayID() || !revert.pendingMode()) {
        return std::nullopt;
    }
    const std::optional<DisplayInfo> display = findDisplay(displays, *revert.displayID());
    return RemoteTrial{display ? display->name : QString(), trialModeText(*revert.pendingMode()),
                       revert.secondsLeft()};
}

bool trialNeedsCard(DisplayId display, const AppState& state,
                    std::optional<DisplayId> outputDisplay, bool mirrorOn) {
    const bool outputCovers = state.outputVisible && (outputDisplay == display || mirrorOn);
    return state.controllerDisplayID != display || outputCovers;
}

}  // namespace lumenor
