#pragma once

#include <optional>
#include <vector>

#include "displays/display_info.h"

namespace lumenor {

// How long an applied mode lasts.
enum class ConfigureScope {
    forAppOnly = 0,   // put back when the application ends, however it ends
    permanently = 2,  // outlives the application
};

// The display-configuration services the mode list and the apply transaction are written
// against.
class ModePlatform {
  public:
    virtual ~ModePlatform() = default;

    // Every mode the display offers, in the platform's order, with the six plain fields (sizes
    // as the modes define them, unturned) and the handle filled in; none when the query fails.
    virtual std::optional<std::vector<ModeInfo>> allModes(DisplayId id) = 0;
    // The mode the display shows now; none when unreadable.
    virtual std::optional<ModeInfo> currentMode(DisplayId id) = 0;
    // The head is turned a quarter either way, so its modes show height by width.
    virtual bool isQuarterTurned(DisplayId id) = 0;

    // One configuration transaction: begin, configure one display, complete. Complete reports
    // whether the change was made.
    virtual bool beginConfiguration() = 0;
    virtual void configureDisplay(DisplayId id, const ModeInfo& mode) = 0;
    virtual bool completeConfiguration(ConfigureScope scope) = 0;
};

}  // namespace lumenor
