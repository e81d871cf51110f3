#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include "app/bring_to_front.h"

namespace lumenor {

void bringToFront(QWidget* window, const QString& activationToken) {
    if (window->isMinimized()) {
        window->showNormal();
    }
    window->show();
    window->raise();
    // A Wayland compositor gives the keyboard to a window of an application that does not have
    // it only against a token from whoever the user asked; Qt hands it the one in
    // XDG_ACTIVATION_TOKEN when it asks for the focus. A token is good once and is not for
    // the programs Lumenor starts later.
    const bool withToken =
        !activationToken.isEmpty() && QGuiApplication::platformName() == QLatin1String("wayland");
    if (withToken) {
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toLatin1());
    }
    window->activateWindow();
    if (withToken) {
        qunsetenv("XDG_ACTIVATION_TOKEN");
    }
    // Qt asks for the focus with the time of the last X event it saw. Asked for by another
    // process there is no recent one, and the server ignores a request older than the last
    // change of focus; the current time always counts.
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) {
        return;
    }
    xcb_set_input_focus(x11->connection(), XCB_INPUT_FOCUS_PARENT,
                        static_cast<xcb_window_t>(window->winId()), XCB_CURRENT_TIME);
    xcb_flush(x11->connection());
}

}  // namespace lumenor
