#pragma once

#include <optional>

#include "displays/display_platform.h"
#include "displays/mutter_display_config_qt.h"

namespace lumenor {

// The display platform on GNOME's Wayland desktop: the monitors the compositor reports over
// D-Bus, joined to Qt's screens by connector name. A display's number comes from its connector
// and EDID (mutterDisplayId); a mode's number is its place in the monitor's list.
class MutterDisplayPlatform : public DisplayPlatform {
  public:
    explicit MutterDisplayPlatform(MutterDisplayConfig config = MutterDisplayConfig());

    // Asks the compositor again, unless the state came with the change being reported; the
    // other calls answer from what this last read.
    std::optional<std::vector<DisplayId>> activeDisplays() override;
    std::optional<ModeInfo> currentMode(DisplayId id) override;
    bool isBuiltin(DisplayId id) override;
    PhysicalSize physicalSizeMM(DisplayId id) override;
    // Qt 6.4 hands the compositor 8-bit shared-memory buffers, whatever the monitor takes.
    int bitsPerChannel(DisplayId) override { return 8; }
    bool isQuarterTurned(DisplayId id) override;
    std::vector<ScreenEntry> screens() override;
    bool seenThroughXwayland() override { return false; }
    bool isNativeWayland() override { return true; }
    std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) override;

  private:
    const MutterState* state();

    MutterDisplayConfig config_;
    std::optional<MutterState> state_;
};

// What a monitor's screen is called: the monitor name from its EDID, else "Built-in Display"
// for a built-in panel, else the connector, as on X11.
QString mutterScreenName(const MutterMonitor& monitor);

}  // namespace lumenor
