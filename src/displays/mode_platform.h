#pragma once

#include <QString>

#include <optional>
#include <vector>

#include "displays/display_info.h"

namespace lumenor {

// How long an applied mode lasts.
enum class ConfigureScope {
    forAppOnly = 0,   // put back when the application ends, however it ends
    permanently = 2,  // outlives the application
};

// Said where the desktop is a Wayland session: mode sets through Xwayland change nothing on
// the display.
inline QString modesFixedOnWaylandDesktop() {
    return QStringLiteral(
        "Display modes cannot be changed from here on a Wayland desktop; use the desktop's "
        "display settings.");
}

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
    // Why display modes cannot be changed here, as one sentence for the operator; none where
    // they can. Where they cannot, each display lists only the mode it really shows and no
    // configuration completes.
    virtual std::optional<QString> modeChangeRefusal() = 0;
    // Whether a built-in panel's modes are offered for trial too: only where the platform
    // lists just the modes the panel itself drives.
    virtual bool triesBuiltinDisplays() const { return false; }

    // One configuration transaction: begin, configure one display, complete. Complete reports
    // whether the change was made.
    virtual bool beginConfiguration() = 0;
    virtual void configureDisplay(DisplayId id, const ModeInfo& mode) = 0;
    virtual bool completeConfiguration(ConfigureScope scope) = 0;
};

}  // namespace lumenor
