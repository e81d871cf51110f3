#include "app/platform_choice.h"

namespace lumenor {

PlatformChoice choosePlatform(const QString& overrideValue, bool waylandSession,
                              const std::function<bool()>& offersDisplayConfig) {
    if (overrideValue == QStringLiteral("x11")) {
        return {WindowingBackend::x11, QStringLiteral("LUMENOR_PLATFORM=x11 asks for X11"), true};
    }
    if (overrideValue == QStringLiteral("wayland")) {
        return {WindowingBackend::gnomeWayland,
                QStringLiteral("LUMENOR_PLATFORM=wayland asks for Wayland"), true};
    }
    if (!waylandSession) {
        return {WindowingBackend::x11, QStringLiteral("this is not a Wayland session")};
    }
    if (offersDisplayConfig()) {
        return {WindowingBackend::gnomeWayland,
                QStringLiteral("the Wayland compositor offers GNOME's display configuration")};
    }
    return {WindowingBackend::x11,
            QStringLiteral("the Wayland compositor offers no display configuration Lumenor "
                           "can use, so it runs under Xwayland")};
}

}  // namespace lumenor
