#pragma once

#include <QString>

#include <functional>

namespace lumenor {

// The windowing platforms Lumenor runs on: X11 (an X session, or Xwayland on a Wayland
// desktop) and GNOME's Wayland natively.
enum class WindowingBackend { x11, gnomeWayland };

struct PlatformChoice {
    WindowingBackend backend = WindowingBackend::x11;
    QString reason;  // for the log, one sentence
    bool overridden = false;
};

// `overrideValue` is LUMENOR_PLATFORM ("x11", "wayland" or empty); a Wayland session whose
// compositor offers GNOME's display configuration runs natively, any other desktop as an X11
// program. `offersDisplayConfig` is asked only on a Wayland session.
PlatformChoice choosePlatform(const QString& overrideValue, bool waylandSession,
                              const std::function<bool()>& offersDisplayConfig);

}  // namespace lumenor
