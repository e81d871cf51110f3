#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "app/page_sink.h"
#include "displays/display_info.h"
#include "displays/mode_platform.h"
#include "displays/revert_coordinator.h"
#include "profiles/profile.h"

namespace lumenor {

// The mode list of the selected display and the trials of its modes: one trial at a time,
// counted down by the revert coordinator. Main thread only.
class ModeTrials {
  public:
    struct Hooks {
        PageSink send;
        // True, after saying so, while calibration patches hold the display.
        std::function<bool(DisplayId)> patchesHold;
    };

    ModeTrials(RevertCoordinator& revert, ModePlatform& modes, Hooks hooks);

    // Sends the mode list of `selected` (none for a built-in display or none at all).
    void pushModes(const std::optional<DisplayInfo>& selected);
    // Tries the mode numbered `id` of `selected`.
    void apply(const std::optional<DisplayInfo>& selected, std::int32_t id);
    void begin(const DisplayInfo& display, const ModeInfo& target);
    // Tries the mode a profile was saved with on `display`, where it differs from the current.
    void tryProfileMode(const DisplayInfo& display, const Profile& profile);
    void keep();
    void revertNow();
    // The trial ends with the display it runs on.
    void displaysChanged(const std::vector<DisplayInfo>& displays);
    // A trial was kept or reverted.
    void resolved();

  private:
    // Mode changes are offered for displays that are not built in, and on a platform that
    // lists only what a panel drives, for built-in ones too.
    bool offersModes(const DisplayInfo& display) const;
    RevertCoordinator& revert_;
    ModePlatform& modes_;
    Hooks hooks_;
    // The mode to go back to while a trial runs: the one from before the first of several
    // trials on the same display.
    std::optional<ModeInfo> snapshot_;
};

}  // namespace lumenor
