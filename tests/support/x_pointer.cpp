#include "support/x_pointer.h"

#include <chrono>
#include <thread>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace lumenor::test {

std::optional<bool> cursorVisibleAt(const QString& display, QPoint at) {
    Display* dpy = XOpenDisplay(display.toLocal8Bit().constData());
    if (dpy == nullptr) {
        return std::nullopt;
    }
    int eventBase = 0;
    int errorBase = 0;
    std::optional<bool> visible;
    if (XFixesQueryExtension(dpy, &eventBase, &errorBase) != 0) {
        XWarpPointer(dpy, None, DefaultRootWindow(dpy), 0, 0, 0, 0, at.x(), at.y());
        XSync(dpy, False);
        // The client under the pointer has its cursor shown as the server handles the move;
        // a moment more lets a window that sets it on entering do so.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (XFixesCursorImage* image = XFixesGetCursorImage(dpy)) {
            visible = false;
            for (int i = 0; i < image->width * image->height; ++i) {
                if (((image->pixels[i] >> 24) & 0xFF) != 0) {
                    visible = true;
                    break;
                }
            }
            XFree(image);
        }
    }
    XCloseDisplay(dpy);
    return visible;
}

}  // namespace lumenor::test
