#include "app/refresh_links.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include "displays/present_refresh_link.h"
#include "displays/wayland_refresh_link.h"

namespace lumenor {

namespace {

// The shown top-level window on `display`, the output's or a mirror's before any other: the
// first full-screen one, else the first shown.
QWindow* shownWindowOn(DisplayPlatform& displays, std::optional<DisplayId> display) {
    QScreen* screen = nullptr;
    if (display) {
        for (const ScreenEntry& s : displays.screens()) {
            if (s.number == display) {
                screen = s.screen;
            }
        }
        if (screen == nullptr) {
            return nullptr;
        }
    }
    // Widgets, not their windows: a view asks for its link as it is shown, which is before Qt
    // shows its window.
    QWindow* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        QWindow* window = w->windowHandle();
        if (!w->isVisible() || window == nullptr ||
            (screen != nullptr && window->screen() != screen)) {
            continue;
        }
        if (w->isFullScreen()) {
            return window;
        }
        if (found == nullptr) {
            found = window;
        }
    }
    return found;
}

void repaint(QWindow* window) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->windowHandle() == window) {
            w->update();
        }
    }
}

}  // namespace

std::unique_ptr<RefreshLinkFactory> makeRefreshLinkFactory(DisplayPlatform& displays) {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return std::make_unique<WaylandRefreshLinkFactory>(
            [&displays](std::optional<DisplayId> d) { return shownWindowOn(displays, d); },
            repaint);
    }
    return std::make_unique<PresentRefreshLinkFactory>();
}

}  // namespace lumenor
