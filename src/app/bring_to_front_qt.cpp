#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include "app/bring_to_front.h"

namespace lumenor {

void bringToFront(QWidget* window) {
    if (window->isMinimized()) {
        window->showNormal();
    }
    window->show();
    window->raise();
    window->activateWindow();
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
