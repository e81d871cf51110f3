#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "displays/display_info.h"

namespace lumenor {

// GNOME's compositor (Mutter) describes its monitors over D-Bus (org.gnome.Mutter.DisplayConfig):
// these are its GetCurrentState answer as plain values, and what is derived from it.

// Which monitor: its connector and what its EDID says.
struct MutterMonitorSpec {
    QString connector;  // "HDMI-1", "LVDS1"
    QString vendor;
    QString product;
    QString serial;
};

struct MutterMode {
    QString id;  // "1920x1080@60.000", what ApplyMonitorsConfig takes
    int width = 0;
    int height = 0;
    double refreshHz = 0.0;
    bool isCurrent = false;
    bool isPreferred = false;
};

struct MutterMonitor {
    MutterMonitorSpec spec;
    std::vector<MutterMode> modes;
    bool isBuiltin = false;
    bool underscanning = false;
    QString displayName;          // "Built-in display", "Dell 27\"": the desktop's own name for it
    PhysicalSize physicalSizeMM;  // from GetResources; 0 where unknown
};

struct MutterLogicalMonitor {
    int x = 0;
    int y = 0;
    double scale = 1.0;
    std::uint32_t transform = 0;  // 0 normal, 1 90°, 2 180°, 3 270°, 4–7 flipped
    bool primary = false;
    std::vector<QString> connectors;
};

struct MutterState {
    std::uint32_t serial = 0;
    std::vector<MutterMonitor> monitors;
    std::vector<MutterLogicalMonitor> logicalMonitors;
    // 1: logical monitors are their modes divided by their scale; 2: their modes' size.
    std::uint32_t layoutMode = 1;
    bool layoutModeChangeable = false;

    const MutterMonitor* monitor(DisplayId id) const;
    const MutterLogicalMonitor* logicalMonitorOf(const QString& connector) const;
};

// A display's number: the same in every process for as long as that monitor stays on its
// connector, and another for another monitor plugged in there.
DisplayId mutterDisplayId(const MutterMonitorSpec& spec);

const MutterMode* currentMutterMode(const MutterMonitor& monitor);
// The mode as the display service and the mode list know it; its number is its place in
// the monitor's list, from 1.
ModeInfo modeInfoFromMutter(const MutterMonitor& monitor, std::size_t index,
                            const MutterLogicalMonitor* logical, std::uint32_t layoutMode);

bool isQuarterTurn(std::uint32_t transform);

// What ApplyMonitorsConfig is given: every logical monitor with its place, scale, transform and
// primary mark, and each monitor with its mode.
struct MutterMonitorConfig {
    QString connector;
    QString modeId;
    bool underscanning = false;
};
struct MutterLogicalConfig {
    int x = 0;
    int y = 0;
    double scale = 1.0;
    std::uint32_t transform = 0;
    bool primary = false;
    std::vector<MutterMonitorConfig> monitors;
};

// The configuration in force with `connector` showing `modeId` instead, everything else as it
// stands. Mutter takes only layouts whose monitors touch and do not overlap, so the monitors
// right of or below the changed one move by the change of its size. None when the state has no
// such monitor or mode, or a monitor without a current mode.
std::optional<std::vector<MutterLogicalConfig>> configWithMode(const MutterState& state,
                                                               const QString& connector,
                                                               const QString& modeId);

}  // namespace lumenor
