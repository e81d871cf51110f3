#pragma once

#include <QString>

#include <functional>
#include <vector>

#include "displays/display_info.h"

namespace lumenor {

// The plain-text display report: a title, then a block of lines per display (name and kind,
// number and connector, current mode, native mode for external displays, dots per inch where
// the width is known). `modesForDisplay` gives a display's mode list, as the mode list logic
// builds it. On a Wayland desktop seen through Xwayland the report says so once, under the
// title; on GNOME's Wayland desktop, that Lumenor runs there natively.
QString buildReport(const std::vector<DisplayInfo>& displays,
                    const std::function<std::vector<ModeInfo>(DisplayId)>& modesForDisplay,
                    bool throughXwayland = false, bool nativeWayland = false);

// The report's note on a Wayland desktop.
QString waylandDesktopNote();
QString nativeWaylandNote();

}  // namespace lumenor
