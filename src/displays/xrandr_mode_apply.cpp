#include "displays/xrandr_mode_apply.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "displays/xrandr_mode.h"

namespace lumenor {

namespace {

using ResourcesPtr = std::unique_ptr<XRRScreenResources, decltype(&XRRFreeScreenResources)>;
using OutputPtr = std::unique_ptr<XRROutputInfo, decltype(&XRRFreeOutputInfo)>;
using CrtcPtr = std::unique_ptr<XRRCrtcInfo, decltype(&XRRFreeCrtcInfo)>;

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

Size rootSize(Display* dpy, Window root) {
    Window r = 0;
    int x = 0;
    int y = 0;
    unsigned int w = 0;
    unsigned int h = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    if (XGetGeometry(dpy, root, &r, &x, &y, &w, &h, &border, &depth) == 0) {
        return {};
    }
    return {static_cast<int>(w), static_cast<int>(h)};
}

// Keeps the screen's dots per millimetre as it grows or shrinks.
bool setScreenSize(XrandrConnection& c, Size to) {
    Display* dpy = c.display();
    const int screen = DefaultScreen(dpy);
    const auto ratio = [](int mm, int px) {
        return px > 0 && mm > 0 ? static_cast<double>(mm) / px : 25.4 / 96.0;
    };
    const double mmPerPxW = ratio(DisplayWidthMM(dpy, screen), DisplayWidth(dpy, screen));
    const double mmPerPxH = ratio(DisplayHeightMM(dpy, screen), DisplayHeight(dpy, screen));
    XRRSetScreenSize(dpy, c.root(), to.width, to.height,
                     std::max(1, static_cast<int>(std::lround(to.width * mmPerPxW))),
                     std::max(1, static_cast<int>(std::lround(to.height * mmPerPxH))));
    return c.syncWithoutErrors();
}

bool setCrtc(XrandrConnection& c, XRRScreenResources* res, RRCrtc crtc, const XRRCrtcInfo& info,
             RRMode mode) {
    const Status status = XRRSetCrtcConfig(c.display(), res, crtc, CurrentTime, info.x, info.y,
                                           mode, info.rotation, info.outputs, info.noutput);
    return c.syncWithoutErrors() && status == RRSetConfigSuccess;
}

bool applyGrabbed(XrandrConnection& c, RROutput output, RRMode mode) {
    Display* dpy = c.display();
    const ResourcesPtr res{XRRGetScreenResourcesCurrent(dpy, c.root()), XRRFreeScreenResources};
    if (!res) {
        return false;
    }
    const OutputPtr out{XRRGetOutputInfo(dpy, res.get(), output), XRRFreeOutputInfo};
    if (!out || out->connection != RR_Connected || out->crtc == None) {
        return false;
    }
    const CrtcPtr crtc{XRRGetCrtcInfo(dpy, res.get(), out->crtc), XRRFreeCrtcInfo};
    const XRRModeInfo* target = findMode(res.get(), mode);
    if (!crtc || target == nullptr) {
        return false;
    }
    if (crtc->mode == mode) {
        return true;
    }

    const bool sideways = (crtc->rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0;
    const int newWidth = static_cast<int>(sideways ? target->height : target->width);
    const int newHeight = static_cast<int>(sideways ? target->width : target->height);

    // The screen must hold every lit CRTC, this one at its new size.
    Size layout;
    for (int i = 0; i < res->ncrtc; ++i) {
        if (res->crtcs[i] == out->crtc) {
            layout.width = std::max(layout.width, crtc->x + newWidth);
            layout.height = std::max(layout.height, crtc->y + newHeight);
            continue;
        }
        const CrtcPtr other{XRRGetCrtcInfo(dpy, res.get(), res->crtcs[i]), XRRFreeCrtcInfo};
        if (other && other->mode != None) {
            layout.width = std::max(layout.width, other->x + static_cast<int>(other->width));
            layout.height = std::max(layout.height, other->y + static_cast<int>(other->height));
        }
    }
    int minW = 0;
    int minH = 0;
    int maxW = 0;
    int maxH = 0;
    if (XRRGetScreenSizeRange(dpy, c.root(), &minW, &minH, &maxW, &maxH) == 0 ||
        layout.width > maxW || layout.height > maxH) {
        return false;
    }
    layout.width = std::max(layout.width, minW);
    layout.height = std::max(layout.height, minH);

    const Size before = rootSize(dpy, c.root());
    if (before.width == 0) {
        return false;
    }
    // Grow first so the CRTC fits, shrink last so it never hangs over the edge.
    const Size between{std::max(before.width, layout.width),
                       std::max(before.height, layout.height)};
    if (between != before && !setScreenSize(c, between)) {
        return false;
    }
    if (!setCrtc(c, res.get(), out->crtc, *crtc, mode)) {
        if (between != before) {
            setScreenSize(c, before);
        }
        return false;
    }
    if (layout != between && !setScreenSize(c, layout)) {
        setCrtc(c, res.get(), out->crtc, *crtc, crtc->mode);
        if (between != before) {
            setScreenSize(c, before);
        }
        return false;
    }
    return true;
}

}  // namespace

bool setOutputMode(XrandrConnection& connection, unsigned long output, unsigned long mode) {
    Display* dpy = connection.display();
    connection.syncWithoutErrors();
    XGrabServer(dpy);
    const bool ok = applyGrabbed(connection, output, mode);
    XUngrabServer(dpy);
    XFlush(dpy);
    return ok;
}

namespace {

CrtcPtr crtcOfOutput(XrandrConnection& connection, unsigned long output) {
    Display* dpy = connection.display();
    const ResourcesPtr res{XRRGetScreenResourcesCurrent(dpy, connection.root()),
                           XRRFreeScreenResources};
    if (!res) {
        return {nullptr, XRRFreeCrtcInfo};
    }
    const OutputPtr out{XRRGetOutputInfo(dpy, res.get(), output), XRRFreeOutputInfo};
    if (!out || out->crtc == None) {
        return {nullptr, XRRFreeCrtcInfo};
    }
    return {XRRGetCrtcInfo(dpy, res.get(), out->crtc), XRRFreeCrtcInfo};
}

}  // namespace

unsigned long currentModeOfOutput(XrandrConnection& connection, unsigned long output) {
    const CrtcPtr crtc = crtcOfOutput(connection, output);
    return crtc ? crtc->mode : 0;
}

bool outputIsQuarterTurned(XrandrConnection& connection, unsigned long output) {
    const CrtcPtr crtc = crtcOfOutput(connection, output);
    return crtc && (crtc->rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0;
}

}  // namespace lumenor
