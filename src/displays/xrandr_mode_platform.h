#pragma once

#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

#include "displays/mode_platform.h"
#include "displays/xrandr_connection.h"
#include "displays/xrandr_mode_guardian.h"

namespace lumenor {

// Modes and the apply transaction on X11, on a connection of our own. A display's modes are
// its output's RandR modes in the output's order. A mode applied for this application only is
// handed to a guardian process first, which puts the snapshot back when we end; applying the
// snapshot again, or keeping a mode permanently, releases the display from it. Under Xwayland
// a mode set changes nothing on the display, so there a display lists only its real mode and
// nothing is ever set.
class XrandrModePlatform : public ModePlatform {
  public:
    // `guardianProgram` and `guardianArgs` start the guardian (see runModeGuardian); the
    // display name is appended to the arguments.
    XrandrModePlatform(std::unique_ptr<XrandrConnection> connection, QString guardianProgram,
                       QStringList guardianArgs);
    ~XrandrModePlatform() override;

    std::optional<std::vector<ModeInfo>> allModes(DisplayId id) override;
    std::optional<ModeInfo> currentMode(DisplayId id) override;
    bool isQuarterTurned(DisplayId id) override;
    std::optional<QString> modeChangeRefusal() override;
    bool beginConfiguration() override;
    void configureDisplay(DisplayId id, const ModeInfo& mode) override;
    bool completeConfiguration(ConfigureScope scope) override;

    const ModeGuardian& guardian() const { return guardian_; }

  private:
    bool applyForAppOnly(DisplayId id, unsigned long mode);

    std::unique_ptr<XrandrConnection> connection_;
    ModeGuardian guardian_;
    std::optional<std::pair<DisplayId, unsigned long>> configured_;
};

}  // namespace lumenor
