#include "displays/xrandr_connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <atomic>
#include <cstdlib>

#include "displays/xwayland_detection.h"

namespace lumenor {

namespace {

std::atomic<int> g_errorCount{0};

int recordError(Display*, XErrorEvent*) {
    g_errorCount.fetch_add(1);
    return 0;
}

void installErrorHandler() {
    static const bool installed = [] {
        XSetErrorHandler(recordError);
        return true;
    }();
    (void)installed;
}

bool nonEmptyEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// A Wayland session that runs no Xwayland for us: there is nothing we can show on.
bool waylandWithoutX(const char* displayName) {
    return displayName == nullptr && !nonEmptyEnvironment("DISPLAY") &&
           nonEmptyEnvironment("WAYLAND_DISPLAY");
}

}  // namespace

QString xDisplayNameForMessages(const char* displayName) {
    const char* name = XDisplayName(displayName);
    return (name != nullptr && *name != '\0') ? QString::fromLocal8Bit(name)
                                              : QStringLiteral("(DISPLAY is not set)");
}

std::unique_ptr<XrandrConnection> XrandrConnection::open(const char* displayName, QString* error) {
    installErrorHandler();
    Display* dpy = XOpenDisplay(displayName);
    if (dpy == nullptr) {
        if (error != nullptr) {
            *error = waylandWithoutX(displayName)
                         ? QStringLiteral(
                               "this Wayland session offers no X display (DISPLAY is "
                               "not set) and no GNOME display configuration; Lumenor needs "
                               "X11, Xwayland or GNOME's Wayland")
                         : QStringLiteral("cannot open X display %1")
                               .arg(xDisplayNameForMessages(displayName));
        }
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(dpy, &eventBase, &errorBase) || !XRRQueryVersion(dpy, &major, &minor) ||
        major < 1 || (major == 1 && minor < 2)) {
        if (error != nullptr) {
            *error = QStringLiteral("the X display %1 has no RandR 1.2 extension")
                         .arg(xDisplayNameForMessages(displayName));
        }
        XCloseDisplay(dpy);
        return nullptr;
    }
    const Window root = DefaultRootWindow(dpy);
    const bool xwayland = detectXwayland(XGetXCBConnection(dpy), static_cast<std::uint32_t>(root));
    return std::unique_ptr<XrandrConnection>(new XrandrConnection(dpy, root, eventBase, xwayland));
}

XrandrConnection::XrandrConnection(Display* display, unsigned long root, int eventBase,
                                   bool xwayland)
    : display_(display), root_(root), eventBase_(eventBase), xwayland_(xwayland) {}

XrandrConnection::~XrandrConnection() {
    XCloseDisplay(display_);
}

int XrandrConnection::fd() const {
    return ConnectionNumber(display_);
}

QString XrandrConnection::name() const {
    return QString::fromLocal8Bit(DisplayString(display_));
}

bool XrandrConnection::syncWithoutErrors() {
    const int before = g_errorCount.load();
    XSync(display_, False);
    return g_errorCount.load() == before;
}

std::optional<QByteArray> XrandrConnection::outputProperty(unsigned long output, const char* name) {
    const Atom atom = XInternAtom(display_, name, True);
    if (atom == None) {
        return std::nullopt;
    }
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long items = 0;
    unsigned long bytesAfter = 0;
    unsigned char* data = nullptr;
    const int status =
        XRRGetOutputProperty(display_, output, atom, 0, 256, False, False, AnyPropertyType,
                             &actualType, &actualFormat, &items, &bytesAfter, &data);
    std::optional<QByteArray> result;
    if (status == Success && actualType != None && data != nullptr) {
        const unsigned long bytes = items * static_cast<unsigned long>(actualFormat / 8);
        result = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(bytes));
    }
    if (data != nullptr) {
        XFree(data);
    }
    return result;
}

}  // namespace lumenor
