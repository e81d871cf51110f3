#include "app/mode_trials.h"

#include <cmath>

#include "app/display_choice.h"
#include "controller/page_calls.h"
#include "displays/display_modes.h"

namespace lumenor {

namespace {

constexpr int kTrialSeconds = 15;

}  // namespace

ModeTrials::ModeTrials(RevertCoordinator& revert, ModePlatform& modes, Hooks hooks)
    : revert_(revert), modes_(modes), hooks_(std::move(hooks)) {}

void ModeTrials::pushModes(const std::optional<DisplayInfo>& selected) {
    if (!selected || !offersModes(*selected)) {
        hooks_.send(pagecalls::modesChanged({}, false));
        return;
    }
    const std::vector<ModeInfo> modes = modesForDisplay(modes_, selected->id);
    const std::optional<QString> refusal = modes_.modeChangeRefusal();
    hooks_.send(refusal ? pagecalls::modesRefused(modes, *refusal)
                        : pagecalls::modesChanged(modes, true));
}

void ModeTrials::apply(const std::optional<DisplayInfo>& selected, std::int32_t id) {
    if (!selected || !offersModes(*selected)) {
        return;
    }
    for (const ModeInfo& m : modesForDisplay(modes_, selected->id)) {
        if (m.id == id) {
            begin(*selected, m);
            return;
        }
    }
}

void ModeTrials::begin(const DisplayInfo& display, const ModeInfo& target) {
    if (hooks_.patchesHold(display.id)) {
        return;
    }
    // One trial at a time: a trial elsewhere is put back first, so that no display is left
    // in a mode nobody confirmed.
    if (revert_.trialRunning() && revert_.displayID() != display.id) {
        revert_.revertNow();
    }
    // Several trials in a row on one display go back to the mode from before the first.
    const std::optional<ModeInfo> snapshot =
        revert_.trialRunning() && snapshot_ ? snapshot_ : display.currentMode;
    snapshot_ = snapshot;
    revert_.begin(target, snapshot, display.id, kTrialSeconds);
    // An apply that failed has already been put back and reported; there is no countdown.
    hooks_.send(pagecalls::modeApplied(revert_.trialRunning(), kTrialSeconds));
}

void ModeTrials::tryProfileMode(const DisplayInfo& display, const Profile& profile) {
    if (!profile.pixelWidth || !profile.pixelHeight || !offersModes(display)) {
        return;
    }
    if (display.currentMode.pixelWidth == *profile.pixelWidth &&
        display.currentMode.pixelHeight == *profile.pixelHeight) {
        return;
    }
    for (const ModeInfo& m : modesForDisplay(modes_, display.id)) {
        if (m.pixelWidth == *profile.pixelWidth && m.pixelHeight == *profile.pixelHeight &&
            (!profile.refreshHz || std::abs(m.refreshHz - *profile.refreshHz) < 1.0)) {
            begin(display, m);
            return;
        }
    }
}

bool ModeTrials::offersModes(const DisplayInfo& display) const {
    return !display.isBuiltin || modes_.triesBuiltinDisplays();
}

void ModeTrials::keep() {
    revert_.keep();
}

void ModeTrials::revertNow() {
    revert_.revertNow();
}

void ModeTrials::displaysChanged(const std::vector<DisplayInfo>& displays) {
    // That display is not always the selected one: a profile's mode is tried on the output
    // display, and a selection that has gone falls back to the first display, where a trial
    // must survive the change its own apply reports.
    if (revert_.trialRunning() && revert_.displayID() &&
        !findDisplay(displays, *revert_.displayID())) {
        revert_.revertNow();
    }
}

void ModeTrials::resolved() {
    snapshot_.reset();
}

}  // namespace lumenor
