#pragma once

#include <QObject>
#include <QString>

#include <optional>
#include <utility>

#include "displays/mode_platform.h"
#include "displays/mutter_display_config_qt.h"
#include "displays/xrandr_mode_guardian.h"

namespace lumenor {

// Modes and the apply transaction on GNOME's Wayland desktop. Every apply is a temporary
// ApplyMonitorsConfig (for the desktop session, never saved) against the latest state, with the
// other monitors and the layout as they stand. Mutter neither asks nor reverts, so a mode
// applied for this application only is held by a guardian process (the same helper protocol as
// on X11, over D-Bus), which puts the snapshot back when we end; keeping a mode releases the
// display from it.
class MutterModePlatform : public ModePlatform {
  public:
    // `guardianProgram` and `guardianArgs` start the guardian (see runMutterModeGuardian); the
    // session bus address is appended to the arguments.
    MutterModePlatform(MutterDisplayConfig config, QString guardianProgram,
                       QStringList guardianArgs, const QString& busAddress);

    std::optional<std::vector<ModeInfo>> allModes(DisplayId id) override;
    std::optional<ModeInfo> currentMode(DisplayId id) override;
    bool isQuarterTurned(DisplayId id) override;
    std::optional<QString> modeChangeRefusal() override;
    bool triesBuiltinDisplays() const override { return true; }
    bool beginConfiguration() override;
    void configureDisplay(DisplayId id, const ModeInfo& mode) override;
    bool completeConfiguration(ConfigureScope scope) override;

  private:
    // What the compositor says, asked once for the queries of one pass of the event loop (a
    // mode list takes three) and again in the next.
    const std::optional<MutterState>& state();
    bool applyForAppOnly(const MutterState& state, DisplayId id, int modeNumber);
    bool apply(const MutterState& state, DisplayId id, int modeNumber);

    MutterDisplayConfig config_;
    ModeGuardian guardian_;
    std::optional<std::pair<DisplayId, int>> configured_;
    std::optional<MutterState> state_;
    bool stateRead_ = false;
    QObject stateExpiry_;
};

// Puts a monitor in the state's mode numbered `modeNumber` (from 1), everything else as it
// stands; false, with the compositor's reason in `error`, when it refuses.
bool applyMutterMode(const MutterDisplayConfig& config, const MutterState& state, DisplayId id,
                     int modeNumber, QString* error);

// The number (from 1) of the mode the monitor shows now; 0 when none.
int currentMutterModeNumber(const MutterState& state, DisplayId id);

// The helper's side: holds lines as on X11 (displays and mode numbers), and when its input
// closes puts each snapshot back where the monitor still shows the mode we applied.
int runMutterModeGuardian(int inputFd, int outputFd, const char* busAddress);

}  // namespace lumenor
